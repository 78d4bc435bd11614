// The total size of a remote file, from the Content-Range of a two-byte range request.
#pragma once

#include <string>

namespace tv {

// Tries the request object first and falls back to the page-access routine (two
// attempts). Gives the size (>= 1), or -1 when no size was found, the URL is blank or
// the size does not fit a signed 32-bit integer. A blank referer is sent as "/".
int ProbeRemoteSize(const std::string& url, const std::string& referer);

// The same probe through an automation request object only; -1 on any failure.
int ProbeRemoteSizeCom(const std::string& url, const std::string& referer);

}  // namespace tv
