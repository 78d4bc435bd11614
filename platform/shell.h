// Opening a web page in the user's browser through xdg-open.
#pragma once

#include <string>

namespace tv::shell {

// Starts `xdg-open url` (url in GBK, handed over as UTF-8) as a detached child in its own
// session and returns at once; the child is reaped in the background. No shell is
// involved: the URL is one argument. False when the opener could not be started or the
// URL is empty or begins with "-" (it would be read as an option).
bool OpenWebPage(const std::string& url);

}  // namespace tv::shell
