// The general page-access routine: GET or POST one URL with browser-like request
// headers, keep the cookies the server sets, and give the body (optionally converted
// from UTF-8 or Big5 to GBK).
#pragma once

#include <string>

namespace tv {

// Access methods of the second parameter.
inline constexpr int kAccessGet = 0;
inline constexpr int kAccessPost = 1;
// Conversions of the seventh parameter.
inline constexpr int kConvertNone = 0;
inline constexpr int kConvertUtf8 = 1;
inline constexpr int kConvertBig5 = 2;

// `url` is written back trimmed and with "http://" put in front when it has no scheme;
// `headers` is written back completed with the default lines; `responseHeaders` gets the
// raw response header block (status line first) when a request was sent. An access
// method other than 0 or 1 shows a message box and sends nothing. Gives the body, or an
// empty text when nothing could be fetched.
std::string 网页_访问(std::string& url, int 访问方式, const std::string& proxy,
                      std::string& headers, const std::string& postData, const std::string& cookies,
                      int conversion, std::string& responseHeaders);

// The same with only the first three parameters; the rest count as empty or 0.
std::string 网页_访问(std::string& url, int 访问方式 = kAccessGet, const std::string& proxy = {});

}  // namespace tv
