// An HTTP session layer shaped after the internet-handle / connection / request triple
// the engine and the page-access routine are written against, on libcurl.
// Cookies live in one store shared by the whole process and kept per user in
// $XDG_DATA_HOME/terravane/cookies.txt (else ~/.local/share/terravane/).
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace tv::inet {

constexpr unsigned kFlagReload = 0x80000000;  // never answer from a cache
constexpr unsigned kFlagSecure = 0x00800000;  // TLS; the request of an https:// URL

class Connection;
class Request;

struct Timeouts {
  std::chrono::milliseconds connect{60000};
  std::chrono::milliseconds receive{30000};  // longest wait for the next byte
};
// For tests: the time-outs used by handles opened afterwards.
void SetTimeouts(const Timeouts& timeouts);
Timeouts GetTimeouts();

// The session: user agent and proxy. `proxyList` empty means a direct connection;
// otherwise "http=host:port".
class Internet {
 public:
  static std::unique_ptr<Internet> Open(const std::string& userAgent,
                                        const std::string& proxyList = {});
  ~Internet();
  // Port 0 means the default of the scheme the request chooses (80, or 443 with kFlagSecure).
  // Fails on an empty host.
  std::unique_ptr<Connection> Connect(const std::string& host, int port);

  struct State;

 private:
  explicit Internet(std::shared_ptr<State> state);
  std::shared_ptr<State> state_;
};

class Connection {
 public:
  ~Connection();
  // Prepares a request; nothing is sent yet. An empty referrer sends none.
  std::unique_ptr<Request> OpenRequest(const std::string& verb, const std::string& objectPath,
                                       const std::string& version, const std::string& referrer,
                                       unsigned flags);

  struct State;

 private:
  friend class Internet;
  explicit Connection(std::shared_ptr<State> state);
  std::shared_ptr<State> state_;
};

class Request {
 public:
  ~Request();
  // Sends the request with `headers` (lines ending "\r\n"; a trailing blank line is
  // harmless) and an optional body; returns once the response headers have arrived.
  // False when no response arrived (no connection, time-out, a broken answer).
  // Redirects are followed.
  bool Send(std::string_view headers, std::string_view body = {});

  // Blocks until `size` bytes or the end of the body have arrived. True with `read` = 0
  // at the end of the body. A connection that breaks after some bytes hands those bytes
  // out first (true), then fails on the next call (false); a stalled server fails after
  // the receive time-out. Never a silent short end.
  bool Read(void* buffer, size_t size, size_t& read);

  // The response: status line first, header lines CRLF-separated, ending in an empty line.
  // Empty before a successful Send. With redirects, the final response's headers.
  std::string RawHeaders() const;
  int StatusCode() const;  // 0 before a successful Send
  // The value of the first header named `name` (case-insensitive), or empty.
  std::string Header(std::string_view name) const;

  // May be called from another thread: a Send or Read under way fails promptly.
  void Abort();

  struct State;

 private:
  friend class Connection;
  explicit Request(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

// Stores a cookie for `url` ("http://host"); `data` is the value with its attributes,
// as after the "=" of a Set-Cookie line. Later requests to that host carry it.
bool SetCookie(const std::string& url, const std::string& name, const std::string& data);

// The per-user cookie file: $XDG_DATA_HOME/terravane/cookies.txt, else
// ~/.local/share/terravane/cookies.txt. Read once, on the first use of the store; cookies
// without an expiry date (session cookies) are not taken over from an earlier process.
std::string CookieFilePath();
// Writes the store to the cookie file now (it is also written after every response
// that set a cookie and after SetCookie). False when the file cannot be written.
bool FlushCookies();

// Certificate authorities trusted for TLS, as a PEM file; empty means the system's.
// The environment variable TERRAVANE_CA_BUNDLE sets it at start. For tests.
void SetCaBundle(const std::string& pemPath);

}  // namespace tv::inet
