// The remote size probe: a two-byte range request whose Content-Range names the total.
#include "web/size_probe.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "common/text_routines.h"
#include "platform/xmlhttp.h"
#include "web/page_access.h"

namespace tv {

namespace {

constexpr const char* kProgramIds[] = {"MSXML2.ServerXMLHTTP", "WinHttp.WinHttpRequest.5.1",
                                       "Microsoft.XMLHTTP", "MSXML2.XMLHTTP"};

// Leading decimal digits as a number, saturating well above the 32-bit range.
int64_t LeadingNumber(std::string_view text) {
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = std::min<int64_t>(value * 10 + (c - '0'), int64_t{1} << 40);
  }
  return value;
}

// The value of the Content-Range line, or empty.
std::string ContentRange(const std::string& headers) {
  size_t at = FindText(headers, "Content-Range:", 1, true);
  if (at == 0) return {};
  size_t end = headers.find("\r\n", at - 1);
  return TrimSpaces(headers.substr(
      at - 1 + 14, end == std::string::npos ? std::string::npos : end - (at - 1 + 14)));
}

// The total size the answer names, or 0. "1-2/N" is what a resource of 3 bytes or more
// answers; one of 2 bytes answers "bytes 1-1/2", one of 1 byte a 416 with "bytes */1".
int64_t TotalFromHeaders(const std::string& headers) {
  std::string left = "1-2/", right = "\r\n";
  std::string marked = TextBetween(headers, left, right);
  if (!marked.empty()) return LeadingNumber(marked);
  std::string range = ContentRange(headers);
  for (const char* shortForm : {"bytes */", "bytes 1-1/"}) {
    if (range.rfind(shortForm, 0) == 0) return LeadingNumber(range.substr(std::strlen(shortForm)));
  }
  return 0;
}

int AsSize(int64_t total) { return total >= 1 && total <= INT_MAX ? static_cast<int>(total) : -1; }

bool IsBlank(const std::string& text) { return TrimSpaces(text).empty(); }

}  // namespace

int ProbeRemoteSizeCom(const std::string& url, const std::string& referer) {
  std::unique_ptr<xmlhttp::RequestObject> request;
  for (const char* id : kProgramIds) {
    if ((request = xmlhttp::RequestObject::Create(id))) break;
  }
  if (!request || IsBlank(url)) return -1;
  const std::string sentReferer = IsBlank(referer) ? "/" : referer;
  request->Open("GET", url, false);
  request->SetRequestHeader("Referer", sentReferer);
  request->SetRequestHeader("Accept", "*/*");
  request->SetRequestHeader("Content-Type", "application/octet-stream");
  request->SetRequestHeader("Pragma", "no-cache");
  request->SetRequestHeader("Cache-Control", "no-cache");
  request->SetRequestHeader("Connection", "Close");
  request->SetRequestHeader("Range", "bytes=1-2");
  request->Send();
  return AsSize(TotalFromHeaders(request->GetAllResponseHeaders()));
}

int ProbeRemoteSize(const std::string& url, const std::string& referer) {
  if (IsBlank(url)) return -1;
  const std::string sentReferer = IsBlank(referer) ? "/" : referer;
  int size = ProbeRemoteSizeCom(url, sentReferer);
  if (size >= 1) return size;
  std::string target = url;
  std::string headers = "Referer: " + sentReferer +
                        "\r\nAccept: */*\r\nContent-Type: application/octet-stream\r\nPragma: "
                        "no-cache\r\nCache-Control: no-cache\r\nRange: bytes=1-2\r\n";
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::string responseHeaders;
    网页_访问(target, kAccessGet, "", headers, "", "", kConvertNone, responseHeaders);
    int64_t total = TotalFromHeaders(responseHeaders);
    if (total != 0) return AsSize(total);
  }
  return -1;
}

}  // namespace tv
