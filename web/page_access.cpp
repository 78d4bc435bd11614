// The page-access routine: one GET or POST through the session layer, with the default
// browser-like header lines, the server's cookies kept, and an optional conversion.
#include "web/page_access.h"

#include "common/engine_services.h"
#include "common/text_routines.h"
#include "platform/inet.h"
#include "platform/ui.h"
#include "web/text_conversion.h"
#include "web/url.h"

namespace tv {

namespace {

constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr const char* kDefaultAccept =
    "Accept: image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*\r\n";
constexpr const char* kDefaultLanguage = "Accept-Language: zh-cn\r\n";
constexpr const char* kFormType = "Content-Type: application/x-www-form-urlencoded\r\n";
constexpr size_t kReadPiece = 1024;

bool Contains(std::string_view text, std::string_view marker) {
  return FindText(text, marker, 1, true) != 0;
}

void CompleteHeaders(std::string& headers, const std::string& url) {
  if (!Contains(headers, "Accept: ")) headers += kDefaultAccept;
  if (!Contains(headers, "Referer: ")) headers += "Referer: " + url + "\r\n";
  if (!Contains(headers, "Accept-Language: ")) headers += kDefaultLanguage;
}

std::string ReadBody(inet::Request& request) {
  std::string body;
  char piece[kReadPiece];
  size_t got = 0;
  // A failed read ends the body like its end does; what arrived before is kept.
  for (;;) {
    ui::PumpIfUiThread();
    if (!request.Read(piece, sizeof piece, got) || got == 0) break;
    body.append(piece, got);
  }
  return body;
}

// Every "Set-Cookie:" line goes into the store under "http://" + host: the name before
// the first "=", the value with all its attributes after it.
void StoreCookies(const std::string& responseHeaders, const std::string& host) {
  if (!Contains(responseHeaders, "Set-Cookie: ")) return;
  size_t start = 0;
  while (start < responseHeaders.size()) {
    size_t end = responseHeaders.find("\r\n", start);
    if (end == std::string::npos) end = responseHeaders.size();
    std::string line = responseHeaders.substr(start, end - start);
    start = end + 2;
    if (FindText(line, "Set-Cookie: ", 1, true) != 1) continue;
    std::string rest = line.substr(12);
    size_t eq = rest.find('=');
    if (eq == std::string::npos) continue;
    inet::SetCookie("http://" + host, rest.substr(0, eq), rest.substr(eq + 1));
  }
}

std::string Convert(const std::string& body, int conversion) {
  if (conversion != kConvertUtf8 && conversion != kConvertBig5) return body;
  std::string text = body.substr(0, body.find('\0'));
  return conversion == kConvertUtf8 ? Utf8ToGbk(text) : Big5ToSimplifiedGbk(text);
}

}  // namespace

std::string 网页_访问(std::string& url, int 访问方式, const std::string& proxy,
                      std::string& headers, const std::string& postData, const std::string& cookies,
                      int conversion, std::string& responseHeaders) {
  url = TrimSpaces(url);
  if (访问方式 != kAccessGet && 访问方式 != kAccessPost) {
    ShowEngineMessage("【网页_访问】命令的第二个【访问方式】参数有误,请返回修改");
    return {};
  }
  const bool post = 访问方式 == kAccessPost;
  if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) url = "http://" + url;
  const std::string host = UrlHost(url);
  const std::string path = UrlPath(url);
  // https:// goes over TLS to its own port, never as plain HTTP to port 80.
  const bool secure = url.rfind("https://", 0) == 0;

  std::string spacelessProxy = proxy;
  std::erase(spacelessProxy, ' ');
  auto internet = inet::Internet::Open(kUserAgent, spacelessProxy.empty() ? "" : "http=" + proxy);
  auto connection = internet ? internet->Connect(host, UrlPort(url)) : nullptr;
  auto request =
      connection ? connection->OpenRequest(post ? "POST" : "GET", path, "HTTP/1.1", "",
                                           inet::kFlagReload | (secure ? inet::kFlagSecure : 0u))
                 : nullptr;
  if (!request) return {};

  CompleteHeaders(headers, url);
  if (post && !postData.empty()) {
    headers += kFormType;
    headers += "Content-Length: " + std::to_string(postData.size()) + "\r\n";
  }
  if (!cookies.empty()) headers += "Cookie: " + cookies + "\r\n\r\n";
  request->Send(headers, post ? std::string_view(postData) : std::string_view());

  std::string body = ReadBody(*request);
  responseHeaders = request->RawHeaders();
  request.reset();
  StoreCookies(responseHeaders, host);
  return Convert(body, conversion);
}

std::string 网页_访问(std::string& url, int 访问方式, const std::string& proxy) {
  std::string headers, responseHeaders;
  return 网页_访问(url, 访问方式, proxy, headers, {}, {}, kConvertNone, responseHeaders);
}

}  // namespace tv
