// Automation request objects created by program id, for code written against the
// XMLHTTP request classes: open, request headers, a synchronous send, response headers.
// Built on the session layer; ids we do not provide fail to create.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tv::xmlhttp {

class RequestObject {
 public:
  // The object of `programId` (any case), or nullptr when we provide no such class.
  static std::unique_ptr<RequestObject> Create(const std::string& programId);
  ~RequestObject();

  // Only synchronous requests (async false) over http:// and https:// are supported.
  bool Open(const std::string& method, const std::string& url, bool async = false);
  bool SetRequestHeader(const std::string& name, const std::string& value);
  // Sends, follows redirects and reads the whole answer. False when no answer came.
  bool Send(std::string_view body = {});

  int Status() const;
  // The response header lines without the status line, CRLF-separated; empty before an
  // answer or after a failed send.
  std::string GetAllResponseHeaders() const;
  const std::string& ResponseBody() const;

  struct State;

 private:
  explicit RequestObject(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace tv::xmlhttp
