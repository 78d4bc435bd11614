// The loopback fault server: cpp-httplib does the sockets and the HTTP framing; every
// answer's status, headers, range handling and body pacing come from the row table.
#include "tests/support/fault_server.h"

#include <httplib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/codepage.h"

namespace tv::test {

namespace {

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// A single "bytes=a-b", "bytes=a-" or "bytes=-n" range over `total` bytes. False when
// the header is not one such range; `satisfiable` false when it lies beyond the body.
bool ParseRange(const std::string& header, size_t total, size_t& begin, size_t& length,
                bool& satisfiable) {
  unsigned long long a = 0, b = 0;
  int used = 0;
  std::string range = header;
  range.erase(std::remove(range.begin(), range.end(), ' '), range.end());
  if (range.rfind("bytes=", 0) != 0 || range.find(',') != std::string::npos) return false;
  range = range.substr(6);
  if (!range.empty() && range[0] == '-') {
    if (std::sscanf(range.c_str(), "-%llu%n", &b, &used) != 1 || used != (int)range.size() || b == 0)
      return false;
    satisfiable = total > 0;
    begin = total > b ? total - b : 0;
    length = total - begin;
    return true;
  }
  int fields = std::sscanf(range.c_str(), "%llu-%n%llu%n", &a, &used, &b, &used);
  if (fields < 1 || used != (int)range.size() || (fields == 2 && b < a)) return false;
  if (fields < 2) b = total == 0 ? 0 : total - 1;
  satisfiable = a < total;
  begin = a;
  length = satisfiable ? std::min<unsigned long long>(b, total - 1) - a + 1 : 0;
  return true;
}

// GBK text as a JSON string body: non-ASCII as \uXXXX, "/" as "\/", as the services write.
std::string JsonEscape(const std::string& gbk) {
  std::u16string units;
  tv::codepage::ToUtf16(tv::codepage::kGbk, gbk, units);
  std::string out;
  for (char16_t u : units) {
    if (u == '/') {
      out += "\\/";
    } else if (u == '"' || u == '\\') {
      out += '\\';
      out += static_cast<char>(u);
    } else if (u < 0x80) {
      out += static_cast<char>(u);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\u%04x", static_cast<unsigned>(u));
      out += hex;
    }
  }
  return out;
}

}  // namespace

std::string RecordedRequest::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (EqualNoCase(key, name)) return value;
  }
  return {};
}

bool RecordedRequest::HasHeader(const std::string& name) const {
  return std::any_of(headers.begin(), headers.end(),
                     [&](const auto& h) { return EqualNoCase(h.first, name); });
}

std::string RecordedRequest::HeaderBlock() const {
  std::string block;
  for (const auto& [key, value] : headers) block += key + ": " + value + "\r\n";
  return block;
}

FaultRow FaultRow::Redirect(const std::string& location, int status) {
  FaultRow row;
  row.status = status;
  row.headers = {{"Location", location}};
  row.body = "moved";
  return row;
}

const std::string& UseTemporaryCookieHome() {
  // Never destroyed, so that the clean-up at exit can still read it.
  static const std::string* dir = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "terravane-cookies-XXXXXX").string();
    auto* made = new std::string(mkdtemp(pattern.data()) != nullptr ? pattern : "");
    if (!made->empty()) {
      setenv("XDG_DATA_HOME", made->c_str(), 1);
      std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(UseTemporaryCookieHome(), ec);
      });
    }
    return made;
  }();
  return *dir;
}

std::string PatternBody(size_t size, unsigned seed) {
  std::string body(size, '\0');
  for (size_t i = 0; i < size; ++i) {
    body[i] = static_cast<char>((i * 131u + (i >> 8) * 7u + (i >> 16) + seed * 17u) & 0xFF);
  }
  return body;
}

struct FaultServer::Entry {
  FaultRow row;
  std::shared_ptr<const std::string> body;
  int remaining = 0;  // 0: for ever
};

FaultServer::FaultServer() {
  UseTemporaryCookieHome();
  server_ = std::make_unique<httplib::Server>();
  Start();
}

FaultServer::FaultServer(const Tls& tls) : tls_(true) {
  UseTemporaryCookieHome();
  auto server = std::make_unique<httplib::SSLServer>(tls.certFile.c_str(), tls.keyFile.c_str());
  if (!server->is_valid()) return;
  server_ = std::move(server);
  Start();
}

void FaultServer::Start() {
  // Enough threads for several parallel downloads with stalled connections among them.
  server_->new_task_queue = [] { return new httplib::ThreadPool(48); };
  // One request per connection, so stopping never waits for idle keep-alive sockets.
  server_->set_keep_alive_max_count(1);
  auto handler = [this](const httplib::Request& req, httplib::Response& res) {
    Dispatch(&req, &res);
  };
  server_->Get(".*", handler);
  server_->Post(".*", handler);
  server_->Put(".*", handler);
  server_->Delete(".*", handler);
  server_->Options(".*", handler);
  server_->Patch(".*", handler);
  int port = server_->bind_to_any_port("127.0.0.1");
  if (port <= 0) return;
  port_ = port;
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

FaultServer::~FaultServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stopCv_.notify_all();
  if (server_) server_->stop();
  if (thread_.joinable()) thread_.join();
}

std::string FaultServer::HostPort() const { return "127.0.0.1:" + std::to_string(port_); }

std::string FaultServer::Url(const std::string& path) const {
  return std::string(tls_ ? "https://" : "http://") + HostPort() + path;
}

void FaultServer::SetRow(const std::string& path, FaultRow row) {
  {
    std::lock_guard lock(mutex_);
    rows_[path].clear();
  }
  AddRow(path, std::move(row), 0);
}

void FaultServer::AddRow(const std::string& path, FaultRow row, int times) {
  auto entry = std::make_shared<Entry>();
  entry->body = std::make_shared<const std::string>(std::move(row.body));
  row.body.clear();
  entry->row = std::move(row);
  entry->remaining = times;
  std::lock_guard lock(mutex_);
  rows_[path].push_back(std::move(entry));
}

std::vector<RecordedRequest> FaultServer::Requests(const std::string& path) const {
  std::lock_guard lock(mutex_);
  std::vector<RecordedRequest> out;
  for (const auto& r : requests_) {
    if (path.empty() || r.path == path) out.push_back(r);
  }
  return out;
}

size_t FaultServer::RequestCount(const std::string& path) const { return Requests(path).size(); }

bool FaultServer::Wait(std::chrono::milliseconds time) {
  std::unique_lock lock(mutex_);
  return !stopCv_.wait_for(lock, time, [this] { return stopping_; });
}

namespace {

struct Plan {
  int status = 200;
  size_t begin = 0;
  size_t length = 0;
  std::string contentRange;
};

// Status and body slice of the answer, from the row and the request's Range and If-Range.
Plan PlanAnswer(const FaultRow& row, const std::string& body, const RecordedRequest& request) {
  Plan plan{row.status, 0, body.size(), {}};
  std::string range = request.Header("Range");
  std::string ifRange = request.Header("If-Range");
  bool rangeAllowed = ifRange.empty() || (!row.etag.empty() && ifRange == row.etag) ||
                      (!row.lastModified.empty() && ifRange == row.lastModified);
  size_t begin = 0, length = 0;
  bool satisfiable = false;
  if (row.honourRange && row.status == 200 && !range.empty() && rangeAllowed &&
      ParseRange(range, body.size(), begin, length, satisfiable)) {
    if (satisfiable) {
      plan = {row.rangeStatus, begin, length,
              "bytes " + std::to_string(begin) + "-" + std::to_string(begin + length - 1) + "/" +
                  std::to_string(body.size())};
    } else {
      plan = {416, 0, 0, "bytes */" + std::to_string(body.size())};
    }
  }
  if (!row.contentRange.empty()) plan.contentRange = row.contentRange;
  return plan;
}

}  // namespace

void FaultServer::Dispatch(const void* request, void* response) {
  // Ranges are ours to answer (or to get wrong on purpose), not the library's.
  auto& req = const_cast<httplib::Request&>(*static_cast<const httplib::Request*>(request));
  auto& res = *static_cast<httplib::Response*>(response);
  req.ranges.clear();
  RecordedRequest record{req.method, req.path, {}, {}, req.body};
  size_t q = req.target.find('?');
  if (q != std::string::npos) record.query = req.target.substr(q + 1);
  for (const auto& [key, value] : req.headers) {
    if (key != "REMOTE_ADDR" && key != "REMOTE_PORT" && key != "LOCAL_ADDR" && key != "LOCAL_PORT")
      record.headers.emplace_back(key, value);
  }
  std::shared_ptr<Entry> entry;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(record);
    auto& list = rows_[req.path];
    for (auto& e : list) {
      if (e->remaining >= 0) {
        entry = e;
        if (e->remaining > 0 && --e->remaining == 0) e->remaining = -1;
        break;
      }
    }
  }
  if (!entry) {
    res.status = 404;
    res.set_content("not found", "text/plain");
    return;
  }
  FaultRow row = entry->row;
  std::shared_ptr<const std::string> body = entry->body;
  if (row.respond) {
    row = row.respond(record);
    body = std::make_shared<const std::string>(std::move(row.body));
  }
  if (row.headerDelay.count() > 0 && !Wait(row.headerDelay)) return;
  Serve(row, body, record, &res);
}

void FaultServer::Serve(const FaultRow& row, std::shared_ptr<const std::string> body,
                        const RecordedRequest& record, void* response) {
  auto& res = *static_cast<httplib::Response*>(response);
  Plan plan = PlanAnswer(row, *body, record);
  res.status = plan.status;
  for (const auto& [key, value] : row.headers) res.headers.emplace(key, value);
  if (!plan.contentRange.empty()) res.set_header("Content-Range", plan.contentRange);
  if (!row.etag.empty()) res.set_header("ETag", row.etag);
  if (!row.lastModified.empty()) res.set_header("Last-Modified", row.lastModified);
  size_t declared = plan.length;
  if (row.fault == Fault::ShortBody) declared = std::min(declared, row.faultAfter);
  if (declared == 0 || record.method == "HEAD") {
    res.set_content("", row.contentType);
    return;
  }
  const size_t begin = plan.begin;
  auto provider = [this, row, body, begin](size_t offset, size_t length, httplib::DataSink& sink) {
    size_t piece = std::min<size_t>(length, 64 * 1024);
    bool breaks = row.fault == Fault::CloseAfter || row.fault == Fault::Stall;
    if (breaks && offset >= row.faultAfter) {
      if (row.fault == Fault::Stall) Wait(row.delay);
      return false;  // the connection closes mid-body
    }
    if (breaks) piece = std::min(piece, row.faultAfter - offset);
    if (row.fault == Fault::Drip) {
      piece = std::min(piece, std::max<size_t>(row.dripBytes, 1));
      if (offset > 0 && !Wait(row.delay)) return false;
    }
    return sink.write(body->data() + begin + offset, piece);
  };
  res.set_content_provider(declared, row.contentType, provider);
}

// ---- The share-link services -----------------------------------------------------------

namespace {

std::string QueryValue(const std::string& query, const std::string& key) {
  size_t start = 0;
  while (start <= query.size()) {
    size_t end = query.find('&', start);
    if (end == std::string::npos) end = query.size();
    std::string pair = query.substr(start, end - start);
    if (pair.rfind(key + "=", 0) == 0) return pair.substr(key.size() + 1);
    start = end + 1;
  }
  return {};
}

FaultRow TextRow(const std::string& text) {
  FaultRow row;
  row.body = text;
  row.contentType = "text/plain; charset=gbk";
  return row;
}

}  // namespace

void FaultServer::PlayShareServices(const ShareServiceScript& script) {
  FaultRow address = TextRow("var returnCitySN = {\"cip\": \"" + script.publicAddress +
                             "\", \"cid\": \"110000\", \"cname\": \"" + script.city + "\"};");
  SetRow("/cityjson", address);

  FaultRow geo;
  geo.respond = [script](const RecordedRequest& r) {
    ShareServiceScript::Place place;
    auto it = script.places.find(QueryValue(r.query, "ip"));
    if (it != script.places.end()) place = it->second;
    return TextRow("var remote_ip_info = {\"ret\":1,\"start\":-1,\"end\":-1,\"country\":\"" +
                   JsonEscape(place.country) + "\",\"province\":\"" + JsonEscape(place.province) +
                   "\",\"city\":\"" + JsonEscape(place.city) + "\",\"district\":\"\",\"isp\":\"" +
                   JsonEscape(place.isp) + "\",\"type\":\"\",\"desc\":\"\"};");
  };
  SetRow("/iplookup/iplookup.php", geo);

  // The three-step exchange: each step answers only when handed the previous answer.
  const std::string ticket = "{\"state\":true,\"pick_code\":\"" + script.pickCode + "\"}";
  const std::string signedForm =
      "pick_code=" + script.pickCode + "&sign=s-" + script.pickCode + "&t=1700000000";
  FaultRow api;
  api.respond = [ticket, script](const RecordedRequest& r) {
    if (r.method != "POST" || r.body != ticket) return TextRow("{\"state\":false}");
    return TextRow("{\"pick_code\":\"" + script.pickCode + "\",\"sign\":\"s-" + script.pickCode +
                   "\",\"t\":1700000000}");
  };
  SetRow("/default/index.php", api);

  FaultRow resolver;
  resolver.respond = [ticket, signedForm, script](const RecordedRequest& r) {
    if (r.method == "GET") {
      bool good =
          r.query == "pick_code=" + script.pickCode + "&client_version=2.0&file_answer=&ct=0";
      return TextRow(good ? ticket : "{\"state\":false}");
    }
    if (r.query != "ct=1" || r.body != signedForm) return TextRow("{\"state\":false}");
    std::string answer = "{\"state\":true,\"data\":[";
    for (size_t i = 0; i < script.urls.size(); ++i) {
      answer += (i ? "," : "") + std::string("{\"Url\":\"") + JsonEscape(script.urls[i]) + "\"}";
    }
    answer += "]";
    for (int i = 0; i < script.factsCount; ++i) {
      answer += ",\"file" + std::to_string(i) + "\":{\"FileSize\":\"" + script.fileSize +
                "\",\"FileName\":\"" + JsonEscape(script.fileName) + "\",\"Sha1\":\"" +
                script.sha1 + "\"}";
    }
    return TextRow(answer + "}");
  };
  SetRow("/ed/index.php", resolver);
}

}  // namespace tv::test
