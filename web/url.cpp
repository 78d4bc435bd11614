// URL splitting on GBK texts: plain byte work, no percent-decoding, no user-info or IPv6.
#include "web/url.h"

#include <cstdlib>

#include "common/text_routines.h"

namespace tv {

namespace {

void RemoveAll(std::string& text, std::string_view what) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at)) {
    text.erase(at, what.size());
  }
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && AsciiLower(text.substr(0, prefix.size())) == prefix;
}

}  // namespace

std::string UrlHost(std::string_view url) {
  std::string rest(url);
  RemoveAll(rest, "https://");
  RemoveAll(rest, "http://");
  rest = AsciiLower(rest.substr(0, rest.find('/')));
  return rest.substr(0, rest.find(':'));
}

std::string UrlPath(std::string_view url) {
  std::string host = UrlHost(url);
  // The host is looked for after the scheme, so that a host made of letters of the
  // scheme ("h", "tp") is not found inside "http://".
  size_t start = 1;
  if (url.substr(0, 8) == "https://") {
    start = 9;
  } else if (url.substr(0, 7) == "http://") {
    start = 8;
  }
  size_t a = FindText(url, host, start, true);
  if (a == 0) a = start;
  size_t slash = FindText(url, "/", a, true);
  if (slash == 0) return "/";
  return std::string(url.substr(slash - 1));
}

bool UrlIsSecure(std::string_view url) { return StartsWithNoCase(url, "https://"); }

int UrlPort(std::string_view url) {
  std::string_view authority;
  size_t schemeLength = StartsWithNoCase(url, "http://") ? 7 : (UrlIsSecure(url) ? 8 : 0);
  std::string_view rest = url.substr(schemeLength);
  authority = rest.substr(0, rest.find('/'));
  size_t colon = authority.find(':');
  if (colon == std::string_view::npos) return UrlIsSecure(url) ? 443 : 80;
  std::string portText(authority.substr(colon + 1));
  // Like a numeric conversion of text: leading digits count, anything else gives 0.
  return std::atoi(portText.c_str());
}

}  // namespace tv
