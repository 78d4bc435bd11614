// The HTTP session layer on libcurl's multi interface: each request drives its own
// transfer only while the caller waits in Send or Read, so a Read blocks until the
// asked-for bytes or the end of the body, and a stalled server fails after a time-out.
#include "platform/inet.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

namespace tv::inet {

namespace {

using Clock = std::chrono::steady_clock;

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
}

struct Settings {
  std::mutex mutex;
  Timeouts timeouts;
  std::string caBundle;
  bool caBundleRead = false;
};

Settings& TheSettings() {
  static Settings settings;
  return settings;
}

std::string CaBundle() {
  Settings& s = TheSettings();
  std::lock_guard lock(s.mutex);
  if (!s.caBundleRead) {
    const char* env = std::getenv("TERRAVANE_CA_BUNDLE");
    if (env != nullptr) s.caBundle = env;
    s.caBundleRead = true;
  }
  return s.caBundle;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  }
  return true;
}

std::string Trimmed(std::string_view text) {
  size_t b = text.find_first_not_of(" \t\r\n");
  if (b == std::string_view::npos) return {};
  size_t e = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(b, e - b + 1));
}

// The lines of a CRLF (or LF) separated block, without their line ends; empty lines dropped.
std::vector<std::string> HeaderLines(std::string_view block) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < block.size()) {
    size_t end = block.find('\n', start);
    if (end == std::string_view::npos) end = block.size();
    std::string line(block.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// The one cookie store of the process, shared by every transfer and mirrored in the
// per-user cookie file.
class CookieStore {
 public:
  static CookieStore& Instance() {
    static CookieStore* store =
        new CookieStore();  // lives to the end: transfers may outlive statics
    return *store;
  }

  CURLSH* share() const { return share_; }

  bool Flush() {
    std::lock_guard lock(mutex_);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
    if (curl_easy_setopt(manager_, CURLOPT_COOKIELIST, "FLUSH") != CURLE_OK) return false;
    return std::filesystem::exists(path_, ec);
  }

  bool AddNetscapeLine(const std::string& line) {
    {
      std::lock_guard lock(mutex_);
      if (curl_easy_setopt(manager_, CURLOPT_COOKIELIST, line.c_str()) != CURLE_OK) return false;
    }
    return Flush();
  }

 private:
  CookieStore() : path_(CookieFilePath()) {
    GlobalInit();
    share_ = curl_share_init();
    curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &CookieStore::Lock);
    curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &CookieStore::Unlock);
    curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    manager_ = curl_easy_init();
    curl_easy_setopt(manager_, CURLOPT_SHARE, share_);
    // Session cookies belong to the process that received them, as in a browser.
    curl_easy_setopt(manager_, CURLOPT_COOKIESESSION, 1L);
    curl_easy_setopt(manager_, CURLOPT_COOKIEFILE, path_.c_str());
    curl_easy_setopt(manager_, CURLOPT_COOKIEJAR, path_.c_str());
    curl_easy_setopt(manager_, CURLOPT_COOKIELIST, "RELOAD");
  }

  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<CookieStore*>(self)->locks_[Slot(data)].lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<CookieStore*>(self)->locks_[Slot(data)].unlock();
  }
  static size_t Slot(curl_lock_data data) {
    return std::min<size_t>(static_cast<size_t>(data), CURL_LOCK_DATA_LAST - 1);
  }

  std::string path_;
  std::mutex mutex_;  // guards manager_
  CURLSH* share_ = nullptr;
  CURL* manager_ = nullptr;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks_;
};

// Percent-encodes what a request line cannot carry raw (spaces, control bytes).
std::string EscapePath(std::string_view path) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  if (path.empty() || path.front() != '/') out.push_back('/');
  for (unsigned char c : path) {
    if (c <= 0x20 || c == 0x7F) {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

}  // namespace

void SetTimeouts(const Timeouts& timeouts) {
  std::lock_guard lock(TheSettings().mutex);
  TheSettings().timeouts = timeouts;
}

Timeouts GetTimeouts() {
  std::lock_guard lock(TheSettings().mutex);
  return TheSettings().timeouts;
}

void SetCaBundle(const std::string& pemPath) {
  CaBundle();  // the environment must not override a later explicit choice
  std::lock_guard lock(TheSettings().mutex);
  TheSettings().caBundle = pemPath;
}

std::string CookieFilePath() {
  namespace fs = std::filesystem;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  fs::path base;
  if (xdg != nullptr && *xdg != '\0' && fs::path(xdg).is_absolute()) {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = fs::path(home != nullptr ? home : ".") / ".local" / "share";
  }
  return (base / "terravane" / "cookies.txt").string();
}

bool FlushCookies() { return CookieStore::Instance().Flush(); }

// ---- Internet and Connection -------------------------------------------------------

struct Internet::State {
  std::string userAgent;
  std::string httpProxy;   // for plain requests
  std::string httpsProxy;  // for TLS requests
};

struct Connection::State {
  std::shared_ptr<Internet::State> internet;
  std::string host;
  int port = 0;
};

namespace {

// "http=h:p" entries proxy plain requests only, "https=h:p" TLS ones, a bare "h:p" both.
void ParseProxyList(const std::string& list, Internet::State& state) {
  std::string entries = list;
  std::replace(entries.begin(), entries.end(), ';', ' ');
  size_t start = 0;
  while (start < entries.size()) {
    size_t end = entries.find(' ', start);
    if (end == std::string::npos) end = entries.size();
    std::string entry = entries.substr(start, end - start);
    start = end + 1;
    if (entry.empty()) continue;
    size_t eq = entry.find('=');
    if (eq == std::string::npos) {
      state.httpProxy = state.httpsProxy = entry;
    } else if (StartsWithNoCase(entry, "http=")) {
      state.httpProxy = entry.substr(eq + 1);
    } else if (StartsWithNoCase(entry, "https=")) {
      state.httpsProxy = entry.substr(eq + 1);
    }
  }
}

}  // namespace

Internet::Internet(std::shared_ptr<State> state) : state_(std::move(state)) {}
Internet::~Internet() = default;

std::unique_ptr<Internet> Internet::Open(const std::string& userAgent,
                                         const std::string& proxyList) {
  GlobalInit();
  CookieStore::Instance();  // load the user's cookies before the first transfer
  auto state = std::make_shared<State>();
  state->userAgent = userAgent;
  ParseProxyList(proxyList, *state);
  return std::unique_ptr<Internet>(new Internet(std::move(state)));
}

std::unique_ptr<Connection> Internet::Connect(const std::string& host, int port) {
  if (Trimmed(host).empty() || port < 0 || port > 65535) return nullptr;
  auto state = std::make_shared<Connection::State>();
  state->internet = state_;
  state->host = host;
  state->port = port;
  return std::unique_ptr<Connection>(new Connection(std::move(state)));
}

Connection::Connection(std::shared_ptr<State> state) : state_(std::move(state)) {}
Connection::~Connection() = default;

// ---- Request -----------------------------------------------------------------------

struct Request::State {
  std::shared_ptr<Connection::State> connection;
  std::string url;
  std::string verb;
  std::string referrer;
  long httpVersion = CURL_HTTP_VERSION_1_1;
  bool secure = false;

  CURL* easy = nullptr;
  CURLM* multi = nullptr;
  curl_slist* headerList = nullptr;
  std::string body;
  std::string cookieValue;
  bool started = false;
  bool added = false;

  // Filled by the callbacks while the transfer is driven.
  std::string headerBlock;  // the response being received
  std::string finalHeaders;
  int status = 0;
  bool headersDone = false;
  bool sawSetCookie = false;
  bool connected = false;
  Clock::time_point lastActivity{};
  std::string pending;
  size_t pendingPos = 0;
  size_t wanted = 0;     // bytes the Read under way asks for
  bool paused = false;   // the body callback paused the transfer: enough is buffered

  bool done = false;
  CURLcode result = CURLE_OK;
  std::atomic<bool> aborted{false};

  ~State() {
    if (added) curl_multi_remove_handle(multi, easy);
    if (easy != nullptr) curl_easy_cleanup(easy);
    if (multi != nullptr) curl_multi_cleanup(multi);
    curl_slist_free_all(headerList);
  }

  size_t Available() const { return pending.size() - pendingPos; }
  bool Configure();
  void SetRequestHeaders(std::string_view headers);
  void SetBody(std::string_view data);
  void EndHeaderBlock();
  template <typename Done>
  bool Drive(Done satisfied);
  void Finish(CURLcode code);
};

namespace {

bool FollowsRedirect(int status, const std::string& block) {
  if (status < 300 || status > 399 || status == 304) return false;
  for (const std::string& line : HeaderLines(block)) {
    if (StartsWithNoCase(line, "location:") && !Trimmed(line.substr(9)).empty()) return true;
  }
  return false;
}

int ParseStatus(std::string_view statusLine) {
  size_t space = statusLine.find(' ');
  if (space == std::string_view::npos) return 0;
  return std::atoi(std::string(statusLine.substr(space + 1, 3)).c_str());
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* s = static_cast<Request::State*>(user);
  size_t n = size * count;
  s->lastActivity = Clock::now();
  std::string line(data, n);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (StartsWithNoCase(line, "HTTP/")) {
    s->headerBlock.clear();
    s->status = ParseStatus(line);
  }
  if (StartsWithNoCase(line, "set-cookie:")) s->sawSetCookie = true;
  s->headerBlock += line + "\r\n";
  if (line.empty()) s->EndHeaderBlock();
  return n;
}

constexpr size_t kMaxBuffered = 256 * 1024;

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* s = static_cast<Request::State*>(user);
  size_t n = size * count;
  s->lastActivity = Clock::now();
  if (!s->headersDone) return n;  // the body of an interim answer
  // Keep at most a little more than the reader wants: without this a fast server fills
  // megabytes per request before the reader catches up. libcurl hands the same data
  // again once the transfer is resumed.
  if (s->Available() >= std::max(kMaxBuffered, s->wanted)) {
    s->paused = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  if (s->pendingPos > 0 && s->pendingPos * 2 >= s->pending.size()) {
    s->pending.erase(0, s->pendingPos);
    s->pendingPos = 0;
  }
  s->pending.append(data, n);
  return n;
}

int OnConnected(void* user, char*, char*, int, int) {
  auto* s = static_cast<Request::State*>(user);
  s->connected = true;
  s->lastActivity = Clock::now();
  return CURL_PREREQFUNC_OK;
}

}  // namespace

void Request::State::EndHeaderBlock() {
  if (status >= 100 && status < 200 && status != 101) return;  // interim answer
  if (FollowsRedirect(status, headerBlock)) {
    connected = false;  // the next hop's connect is judged by the connect time-out
    return;
  }
  finalHeaders = headerBlock;
  headersDone = true;
}

bool Request::State::Configure() {
  easy = curl_easy_init();
  multi = curl_multi_init();
  if (easy == nullptr || multi == nullptr) return false;
  const Internet::State& internet = *connection->internet;
  Timeouts timeouts = GetTimeouts();
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, httpVersion);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.connect.count()));
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 65536L);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, internet.userAgent.c_str());
  const std::string& proxy = secure ? internet.httpsProxy : internet.httpProxy;
  // An empty proxy also keeps the environment's proxy variables out: direct means direct.
  curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
  curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(easy, CURLOPT_SHARE, CookieStore::Instance().share());
  curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");  // use the shared store
  std::string ca = CaBundle();
  if (!ca.empty()) curl_easy_setopt(easy, CURLOPT_CAINFO, ca.c_str());
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &OnConnected);
  curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);
  return true;
}

// The caller's block goes out as it is, except that its Cookie lines are merged with the
// stored cookies into one line, and libcurl adds no Accept, Content-Type or Expect of its own.
void Request::State::SetRequestHeaders(std::string_view headers) {
  bool hasAccept = false, hasContentType = false, hasExpect = false, hasReferer = false;
  for (const std::string& line : HeaderLines(headers)) {
    if (StartsWithNoCase(line, "cookie:")) {
      std::string value = Trimmed(line.substr(7));
      if (!value.empty()) cookieValue += (cookieValue.empty() ? "" : "; ") + value;
      continue;
    }
    hasAccept |= StartsWithNoCase(line, "accept:");
    hasContentType |= StartsWithNoCase(line, "content-type:");
    hasExpect |= StartsWithNoCase(line, "expect:");
    hasReferer |= StartsWithNoCase(line, "referer:");
    headerList = curl_slist_append(headerList, line.c_str());
  }
  if (!hasAccept) headerList = curl_slist_append(headerList, "Accept:");
  if (!hasContentType) headerList = curl_slist_append(headerList, "Content-Type:");
  if (!hasExpect) headerList = curl_slist_append(headerList, "Expect:");
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headerList);
  if (!cookieValue.empty()) curl_easy_setopt(easy, CURLOPT_COOKIE, cookieValue.c_str());
  if (!hasReferer && !referrer.empty()) curl_easy_setopt(easy, CURLOPT_REFERER, referrer.c_str());
}

void Request::State::SetBody(std::string_view data) {
  body.assign(data);
  if (verb == "GET") {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    return;
  }
  if (verb == "HEAD") {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    return;
  }
  if (verb != "POST") curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
  if (verb == "POST" || !body.empty()) {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
  }
}

void Request::State::Finish(CURLcode code) {
  done = true;
  result = code;
  if (added) curl_multi_remove_handle(multi, easy);
  added = false;
}

// Runs the transfer until `satisfied()` holds, the transfer ends, the server stalls
// longer than the receive time-out, or Abort is called.
template <typename Done>
bool Request::State::Drive(Done satisfied) {
  const Clock::time_point waitStart = Clock::now();
  const auto receive = GetTimeouts().receive;
  while (true) {
    if (aborted) {
      if (!done) Finish(CURLE_ABORTED_BY_CALLBACK);
      return false;
    }
    int running = 0;
    curl_multi_perform(multi, &running);
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
      if (msg->msg == CURLMSG_DONE) Finish(msg->data.result);
    }
    if (satisfied()) return true;
    if (done) return false;
    auto wait = std::chrono::milliseconds(1000);
    if (connected) {
      auto deadline = std::max(lastActivity, waitStart) + receive;
      auto now = Clock::now();
      if (now >= deadline) {
        Finish(CURLE_OPERATION_TIMEDOUT);
        return false;
      }
      wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(deadline - now));
    }
    curl_multi_poll(multi, nullptr, 0, static_cast<int>(wait.count()), nullptr);
  }
}

std::unique_ptr<Request> Connection::OpenRequest(const std::string& verb,
                                                 const std::string& objectPath,
                                                 const std::string& version,
                                                 const std::string& referrer, unsigned flags) {
  auto state = std::make_unique<Request::State>();
  state->connection = state_;
  state->secure = (flags & kFlagSecure) != 0;
  state->verb = verb.empty() ? "GET" : verb;
  std::transform(state->verb.begin(), state->verb.end(), state->verb.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  state->referrer = referrer;
  if (version == "HTTP/1.0") state->httpVersion = CURL_HTTP_VERSION_1_0;
  int port = state_->port != 0 ? state_->port : (state->secure ? 443 : 80);
  state->url = std::string(state->secure ? "https://" : "http://") + state_->host + ":" +
               std::to_string(port) + EscapePath(objectPath);
  if (!state->Configure()) return nullptr;
  return std::unique_ptr<Request>(new Request(std::move(state)));
}

Request::Request(std::unique_ptr<State> state) : state_(std::move(state)) {}
Request::~Request() = default;

bool Request::Send(std::string_view headers, std::string_view body) {
  State& s = *state_;
  if (s.started || s.aborted) return false;
  s.started = true;
  s.SetRequestHeaders(headers);
  s.SetBody(body);
  if (curl_multi_add_handle(s.multi, s.easy) != CURLM_OK) return false;
  s.added = true;
  s.Drive([&s] { return s.headersDone; });
  if (!s.headersDone && s.done && s.result == CURLE_OK && !s.headerBlock.empty()) {
    s.finalHeaders = s.headerBlock;  // an answer that ended without its blank line
    s.headersDone = true;
  }
  if (s.sawSetCookie) CookieStore::Instance().Flush();
  return s.headersDone && !s.aborted;
}

bool Request::Read(void* buffer, size_t size, size_t& read) {
  State& s = *state_;
  read = 0;
  if (!s.headersDone || s.aborted) return false;
  if (s.Available() < size && !s.done) {
    s.wanted = size;
    if (s.paused) {
      s.paused = false;
      curl_easy_pause(s.easy, CURLPAUSE_CONT);  // may deliver buffered data at once
    }
    s.Drive([&s, size] { return s.Available() >= size; });
  }
  if (s.aborted) return false;
  size_t n = std::min(size, s.Available());
  if (n > 0) {
    std::memcpy(buffer, s.pending.data() + s.pendingPos, n);
    s.pendingPos += n;
    read = n;
    return true;
  }
  return s.done && s.result == CURLE_OK;
}

std::string Request::RawHeaders() const { return state_->headersDone ? state_->finalHeaders : ""; }

int Request::StatusCode() const { return state_->headersDone ? state_->status : 0; }

std::string Request::Header(std::string_view name) const {
  if (!state_->headersDone) return {};
  std::vector<std::string> lines = HeaderLines(state_->finalHeaders);
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    size_t colon = line.find(':');
    if (colon == name.size() && StartsWithNoCase(line, name))
      return Trimmed(line.substr(colon + 1));
  }
  return {};
}

void Request::Abort() {
  state_->aborted = true;
  if (state_->multi != nullptr) curl_multi_wakeup(state_->multi);
}

// ---- Cookies -----------------------------------------------------------------------

namespace {

struct CookieParts {
  std::string value;
  std::string domain;
  std::string path = "/";
  bool secure = false;
  bool httpOnly = false;
  long long expires = 0;  // 0: a session cookie
};

CookieParts ParseCookieData(const std::string& data) {
  CookieParts parts;
  size_t semi = data.find(';');
  parts.value = Trimmed(data.substr(0, semi));
  long long maxAge = -1;
  bool hasMaxAge = false;
  while (semi != std::string::npos) {
    size_t next = data.find(';', semi + 1);
    std::string attr = Trimmed(
        data.substr(semi + 1, next == std::string::npos ? std::string::npos : next - semi - 1));
    semi = next;
    size_t eq = attr.find('=');
    std::string key = Trimmed(attr.substr(0, eq));
    std::string val = eq == std::string::npos ? "" : Trimmed(attr.substr(eq + 1));
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (key == "domain" && !val.empty()) parts.domain = val;
    if (key == "path" && !val.empty() && val.front() == '/') parts.path = val;
    if (key == "secure") parts.secure = true;
    if (key == "httponly") parts.httpOnly = true;
    if (key == "expires" && !hasMaxAge) {
      time_t t = curl_getdate(val.c_str(), nullptr);
      if (t > 0) parts.expires = t;
      if (t == 0) parts.expires = 1;  // already gone
    }
    if (key == "max-age") {
      hasMaxAge = true;
      maxAge = std::atoll(val.c_str());
      parts.expires = maxAge > 0 ? static_cast<long long>(time(nullptr)) + maxAge : 1;
    }
  }
  return parts;
}

std::string HostOfUrl(const std::string& url) {
  std::string rest = url;
  size_t scheme = rest.find("://");
  if (scheme != std::string::npos) rest = rest.substr(scheme + 3);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  rest = rest.substr(0, rest.find(':'));
  std::transform(rest.begin(), rest.end(), rest.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return rest;
}

}  // namespace

bool SetCookie(const std::string& url, const std::string& name, const std::string& data) {
  std::string host = HostOfUrl(url);
  std::string cookieName = Trimmed(name);
  if (host.empty() || cookieName.empty() ||
      cookieName.find_first_of("\t\r\n;") != std::string::npos)
    return false;
  CookieParts parts = ParseCookieData(data);
  if (parts.value.find_first_of("\t\r\n") != std::string::npos) return false;
  bool tail = !parts.domain.empty();
  std::string domain = tail ? parts.domain : host;
  if (tail && domain.front() != '.') domain = "." + domain;
  // One line of the cookie file layout: domain, subdomains, path, secure, expiry, name, value.
  std::string line = (parts.httpOnly ? "#HttpOnly_" : "") + domain + "\t" +
                     (tail ? "TRUE" : "FALSE") + "\t" + parts.path + "\t" +
                     (parts.secure ? "TRUE" : "FALSE") + "\t" + std::to_string(parts.expires) +
                     "\t" + cookieName + "\t" + parts.value;
  return CookieStore::Instance().AddNetscapeLine(line);
}

}  // namespace tv::inet
