// Share-link resolution and the address and carrier lookups, over the page-access
// routine. The decoder of the services' escaped texts is our own (no script engine), so
// no answer can run as code.
#include "web/share_link.h"

#include <mutex>

#include "common/text_routines.h"
#include "platform/codepage.h"
#include "web/page_access.h"
#include "web/regex_object.h"

namespace tv {

namespace {

// Our own service names; the .test domain never reaches a real service.
constexpr std::string_view kShareLinkMarker = "pan.terravane.test/s/";
constexpr std::string_view kShareLinkHost = "pan.terravane.test";

std::mutex& HostsMutex() {
  static std::mutex mutex;
  return mutex;
}

ShareServiceHosts& Hosts() {
  static ShareServiceHosts hosts = DefaultServiceHosts();
  return hosts;
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string Between(std::string_view text, std::string left, std::string right) {
  return TextBetween(text, left, right);
}

std::string Get(const std::string& host, const std::string& pathAndQuery) {
  std::string url = "http://" + host + pathAndQuery;
  return 网页_访问(url, kAccessGet, "");
}

std::string Post(const std::string& host, const std::string& pathAndQuery,
                 const std::string& body) {
  std::string url = "http://" + host + pathAndQuery;
  std::string headers, responseHeaders;
  return 网页_访问(url, kAccessPost, "", headers, body, "", kConvertNone, responseHeaders);
}

// The host of a direct URL, as the carrier lookup wants it.
std::string DirectUrlHost(const std::string& url) {
  bool secure = url.rfind("https://", 0) == 0;
  return Between(url, secure ? "https://" : "http://", "/");
}

}  // namespace

ShareServiceHosts DefaultServiceHosts() {
  return {"addr.terravane.test", "geo.terravane.test", "resolve.terravane.test",
          "api.pan.terravane.test"};
}

ShareServiceHosts CurrentServiceHosts() {
  std::lock_guard lock(HostsMutex());
  return Hosts();
}

void SetServiceHostsForTests(const ShareServiceHosts& hosts) {
  std::lock_guard lock(HostsMutex());
  Hosts() = hosts;
}

namespace {

int HexValue(char16_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value of `count` hex digits at `at`, or -1.
long HexAt(const std::u16string& text, size_t at, size_t count) {
  if (at + count > text.size()) return -1;
  long value = 0;
  for (size_t i = 0; i < count; ++i) {
    int digit = HexValue(text[at + i]);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

bool IsLineTerminator(char16_t c) { return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029; }

// The contents of a single-quoted script string literal after its escapes are applied.
// False where the literal would not parse: a line break, or a backslash at its very end.
bool DecodeLiteral(const std::u16string& text, std::u16string& out) {
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (IsLineTerminator(c)) return false;
    if (c != u'\\') {
      out += c;
      continue;
    }
    if (++i == text.size()) return false;
    c = text[i];
    long hex = -1;
    switch (c) {
      case u'n':
        out += u'\n';
        break;
      case u'r':
        out += u'\r';
        break;
      case u't':
        out += u'\t';
        break;
      case u'b':
        out += u'\b';
        break;
      case u'f':
        out += u'\f';
        break;
      case u'v':
        out += u'\v';
        break;
      case u'\r':
        if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        break;  // a continued line
      case u'\n':
      case 0x2028:
      case 0x2029:
        break;
      case u'x':
      case u'u':
        hex = HexAt(text, i + 1, c == u'x' ? 2 : 4);
        if (hex < 0) {
          out += c;
        } else {
          out += static_cast<char16_t>(hex);
          i += c == u'x' ? 2 : 4;
        }
        break;
      default:
        if (c >= u'0' && c <= u'7') {  // an octal escape of up to three digits, at most 0377
          unsigned value = c - u'0';
          size_t limit = c <= u'3' ? 2 : 1;
          for (size_t k = 0;
               k < limit && i + 1 < text.size() && text[i + 1] >= u'0' && text[i + 1] <= u'7'; ++k)
            value = value * 8 + (text[++i] - u'0');
          out += static_cast<char16_t>(value);
        } else {
          out += c;  // any other escaped character stands for itself
        }
    }
  }
  return true;
}

// %uXXXX and %XX sequences into their characters; any other "%" stays.
std::u16string Unescape(const std::u16string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%') {
      long value = text.size() > i + 1 && text[i + 1] == u'u' ? HexAt(text, i + 2, 4) : -1;
      if (value >= 0) {
        out += static_cast<char16_t>(value);
        i += 5;
        continue;
      }
      value = HexAt(text, i + 1, 2);
      if (value >= 0) {
        out += static_cast<char16_t>(value);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace

std::string UnescapeJs(const std::string& text) {
  std::string prepared = ReplaceAll(text, "\r\n", "{$}");
  if (!prepared.empty() && prepared.front() == '\r') prepared.erase(0, 1);
  prepared = ReplaceAll(prepared, "\\u", "%u");
  std::u16string units;
  if (!codepage::ToUtf16(codepage::kGbk, prepared, units)) return {};
  // Apostrophes would end the literal; they travel as U+2019 and come back as "'".
  for (char16_t& u : units) {
    if (u == u'\'') u = 0x2019;
  }
  std::u16string literal;
  if (!DecodeLiteral(units, literal)) return {};
  std::u16string decoded = Unescape(literal);
  std::u16string restored;
  for (size_t i = 0; i < decoded.size(); ++i) {
    if (decoded.compare(i, 3, u"{$}") == 0) {
      restored += u"\r\n";
      i += 2;
    } else {
      restored += decoded[i] == 0x2019 ? u'\'' : decoded[i];
    }
  }
  std::string gbk;
  codepage::FromUtf16(codepage::kGbk, restored, gbk, "?");
  return gbk.substr(0, gbk.find('\0'));  // a text ends at its first zero, as everywhere
}

std::string_view ShareLinkMarker() { return kShareLinkMarker; }
std::string_view ShareLinkHost() { return kShareLinkHost; }
bool IsShareLink(std::string_view link) { return link.find(kShareLinkMarker) != std::string::npos; }

std::string FileExtension(const std::string& fileName) {
  RegexObject regex;
  regex.Create(".*?(\\.[7z|a-zA-Z]{1,5}$)", fileName);
  return regex.SubMatch(1, 1);
}

std::string LookupPublicAddress(std::string& city) {
  std::string answer = Get(CurrentServiceHosts().publicAddress, "/cityjson?ie=gb2312");
  city = Between(answer, "cname#引号: #引号", "#引号}");
  return Between(answer, "cip#引号: #引号", "#引号");
}

CarrierClass LookupCarrier(const std::string& address, std::string* carrierName,
                           std::string* location) {
  std::string answer =
      Get(CurrentServiceHosts().geolocation, "/iplookup/iplookup.php?format=js&ip=" + address);
  std::string decoded = UnescapeJs(answer);
  if (carrierName != nullptr) *carrierName = Between(decoded, "isp#引号:#引号", "\"");
  if (location != nullptr) {
    *location = Between(decoded, "country#引号:#引号", "\"") +
                Between(decoded, "province#引号:#引号", "\"") +
                Between(decoded, "city#引号:#引号", "\"");
  }
  return FindText(decoded, "电信") != 0 ? kCarrierTelecom : kCarrierOther;
}

namespace {

// The flat JSON object of the link API as a form body: {"a":"1","b":2} gives a=1&b=2.
std::string AsFormBody(const std::string& json) {
  if (json.size() < 3) return {};
  std::string form = json.substr(2, json.size() - 3);
  form = ReplaceAll(form, "\":\"", "=");
  form = ReplaceAll(form, "\",\"", "&");
  return ReplaceAll(form, "\":", "=");
}

// Picks the candidate on `cls` (else the last one) and files both URLs into `info`.
std::string ChooseUrl(const RegexObject& urls, CarrierClass cls, ShareFileInfo& info) {
  const int count = urls.Count();
  for (int i = 1; i <= count; ++i) {
    std::string candidate = urls.SubMatch(i, 1);
    std::string other = urls.SubMatch(i > 1 ? 1 : 2, 1);
    CarrierClass c = LookupCarrier(DirectUrlHost(candidate));
    if (c == cls) {
      info.telecomUrl = cls == kCarrierTelecom ? candidate : other;
      info.otherUrl = cls == kCarrierTelecom ? other : candidate;
      return candidate;
    }
    if (i == count) {
      info.telecomUrl = candidate;
      info.otherUrl = other;
      return candidate;
    }
  }
  return {};
}

}  // namespace

std::string FetchShareFileInfo(CarrierClass cls, const std::string& pickCode, ShareFileInfo& info) {
  const ShareServiceHosts hosts = CurrentServiceHosts();
  std::string ticket = Get(hosts.resolver, "/ed/index.php?pick_code=" + pickCode +
                                               "&client_version=2.0&file_answer=&ct=0");
  std::string signedObject = Post(hosts.linkApi, "/default/index.php", ticket);
  std::string answer = Post(hosts.resolver, "/ed/index.php?ct=1", AsFormBody(signedObject));
  answer = ReplaceAll(answer, "\\/", "/");

  RegexObject urls;
  urls.Create("{\"Url\":\"(.*?)\"", answer);
  if (urls.Count() == 0) return {};
  std::string chosen = ChooseUrl(urls, cls, info);

  RegexObject facts;
  facts.Create("\"FileSize\":\"(.*?)\",\"FileName\":\"(.*?)\",\"Sha1\":\"(.*?)\"", answer);
  if (facts.Count() == 1) {
    info.size = facts.SubMatch(1, 1);
    info.name = UnescapeJs(facts.SubMatch(1, 2));
    info.sha1 = facts.SubMatch(1, 3);
  }
  return chosen;
}

std::string ResolveShareLink(const std::string& linkOrCode, CarrierClass cls, std::string& fileName,
                             std::string& extension) {
  std::string code = linkOrCode;
  if (linkOrCode.find(kShareLinkHost) != std::string::npos) {
    code = TextAfterLast(linkOrCode, "/");
    size_t hash = code.find('#');
    if (hash != std::string::npos) code.erase(hash, 1);
  }
  if (cls == 0) cls = kCarrierTelecom;
  ShareFileInfo info;
  std::string url = FetchShareFileInfo(cls, code, info);
  // https mirrors are as good as plain ones: they are fetched over TLS.
  if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) return "-1";
  fileName = info.name;
  extension = FileExtension(info.name);
  return url;
}

}  // namespace tv
