// Splitting of page addresses into host, object path and port, as the page-access
// routine and the engine's range requests use them. Texts are GBK bytes.
#pragma once

#include <string>
#include <string_view>

namespace tv {

// The host in lower case, without scheme, port or path.
std::string UrlHost(std::string_view url);
// Everything from the first "/" after the host (query and fragment included), or "/".
std::string UrlPath(std::string_view url);
// The port the URL names; else 443 for "https://" (any case) and 80 for the rest.
// A port text that is not a number gives 0.
int UrlPort(std::string_view url);
// True when the URL begins with "https://" (any case): it is fetched over TLS.
bool UrlIsSecure(std::string_view url);

}  // namespace tv
