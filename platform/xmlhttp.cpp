// The XMLHTTP-style request object on the session layer.
#include "platform/xmlhttp.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "platform/inet.h"

namespace tv::xmlhttp {

namespace {

// The request classes we provide; the others named in older code (WinHTTP's) do not exist here.
constexpr std::array<std::string_view, 3> kProgramIds = {"msxml2.serverxmlhttp",
                                                         "microsoft.xmlhttp", "msxml2.xmlhttp"};
constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

struct Target {
  bool secure = false;
  std::string host;
  int port = 0;
  std::string path = "/";
};

bool ParseUrl(const std::string& url, Target& target) {
  std::string lower = Lower(url);
  size_t rest = 0;
  if (lower.rfind("http://", 0) == 0) {
    rest = 7;
  } else if (lower.rfind("https://", 0) == 0) {
    rest = 8;
    target.secure = true;
  } else {
    return false;
  }
  size_t slash = url.find_first_of("/?#", rest);
  std::string authority =
      url.substr(rest, slash == std::string::npos ? std::string::npos : slash - rest);
  if (slash != std::string::npos) target.path = (url[slash] == '/' ? "" : "/") + url.substr(slash);
  size_t colon = authority.find(':');
  target.host = authority.substr(0, colon);
  if (colon != std::string::npos) {
    std::string port = authority.substr(colon + 1);
    if (port.empty() || port.find_first_not_of("0123456789") != std::string::npos) return false;
    target.port = std::atoi(port.c_str());
  }
  return !target.host.empty() && target.port >= 0 && target.port <= 65535;
}

}  // namespace

struct RequestObject::State {
  std::string method;
  Target target;
  bool opened = false;
  std::string headers;
  int status = 0;
  std::string responseHeaders;
  std::string body;
};

RequestObject::RequestObject(std::unique_ptr<State> state) : state_(std::move(state)) {}
RequestObject::~RequestObject() = default;

std::unique_ptr<RequestObject> RequestObject::Create(const std::string& programId) {
  std::string id = Lower(programId);
  if (std::find(kProgramIds.begin(), kProgramIds.end(), id) == kProgramIds.end()) return nullptr;
  return std::unique_ptr<RequestObject>(new RequestObject(std::make_unique<State>()));
}

bool RequestObject::Open(const std::string& method, const std::string& url, bool async) {
  State& s = *state_;
  s = State{};
  if (async || method.empty() || !ParseUrl(url, s.target)) return false;
  s.method = method;
  s.opened = true;
  return true;
}

bool RequestObject::SetRequestHeader(const std::string& name, const std::string& value) {
  if (!state_->opened || name.empty() || name.find_first_of(":\r\n") != std::string::npos ||
      value.find_first_of("\r\n") != std::string::npos)
    return false;
  state_->headers += name + ": " + value + "\r\n";
  return true;
}

bool RequestObject::Send(std::string_view body) {
  State& s = *state_;
  if (!s.opened) return false;
  auto internet = inet::Internet::Open(kUserAgent);
  auto connection = internet->Connect(s.target.host, s.target.port);
  if (!connection) return false;
  unsigned flags = inet::kFlagReload | (s.target.secure ? inet::kFlagSecure : 0u);
  auto request = connection->OpenRequest(s.method, s.target.path, "HTTP/1.1", "", flags);
  if (!request || !request->Send(s.headers, body)) return false;
  s.status = request->StatusCode();
  std::string raw = request->RawHeaders();
  size_t firstLineEnd = raw.find("\r\n");
  s.responseHeaders = firstLineEnd == std::string::npos ? "" : raw.substr(firstLineEnd + 2);
  char piece[16384];
  size_t got = 0;
  while (true) {
    if (!request->Read(piece, sizeof piece, got)) return false;  // a broken body fails the send
    if (got == 0) break;
    s.body.append(piece, got);
  }
  return true;
}

int RequestObject::Status() const { return state_->status; }
std::string RequestObject::GetAllResponseHeaders() const { return state_->responseHeaders; }
const std::string& RequestObject::ResponseBody() const { return state_->body; }

}  // namespace tv::xmlhttp
