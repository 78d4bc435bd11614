// A loopback HTTP(S) server for tests that answers from a table of rows, one list per
// path, and misbehaves on purpose where a row says so (ranges ignored or mislabelled,
// early close, short body, stall, slow drip). It also plays the share-link services.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
}

namespace tv::test {

enum class Fault {
  None,
  CloseAfter,  // Content-Length announces the whole answer; the connection closes after
               // `faultAfter` body bytes
  ShortBody,   // only `faultAfter` body bytes, with a Content-Length that matches them
               // (Content-Range unchanged)
  Stall,       // after `faultAfter` body bytes nothing more for `delay`, then the connection closes
  Drip,        // `dripBytes` body bytes every `delay`
};

struct RecordedRequest {
  std::string method;
  std::string path;
  std::string query;  // the raw text after "?"
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;

  // The value of the first header named `name` (any case), or empty.
  std::string Header(const std::string& name) const;
  bool HasHeader(const std::string& name) const;
  // Every header line as "Name: value\r\n", in the order received.
  std::string HeaderBlock() const;
};

struct FaultRow {
  int status = 200;  // status of an answer that is not a range answer
  std::string body{};
  std::string contentType = "application/octet-stream";
  std::vector<std::pair<std::string, std::string>> headers{};  // Set-Cookie, Location, ...

  bool honourRange = true;     // answer a single "Range: bytes=..." with a part of the body
  int rangeStatus = 206;       // status of a range answer
  std::string contentRange{};  // sent instead of the true Content-Range when not empty
  // Validators sent with the answer; an If-Range matching neither gets the whole body.
  std::string etag{};
  std::string lastModified{};

  Fault fault = Fault::None;
  size_t faultAfter = 0;
  std::chrono::milliseconds delay{0};
  size_t dripBytes = 1;
  std::chrono::milliseconds headerDelay{0};  // silence before the answer starts

  // When set, computes the row for each request (the fields above are then ignored).
  std::function<FaultRow(const RecordedRequest&)> respond{};

  static FaultRow Redirect(const std::string& location, int status = 302);
};

// Points the per-user cookie file ($XDG_DATA_HOME) at a fresh temporary folder, once per
// process, so that tests never read or write the user's own cookies; gives the folder.
// Every FaultServer calls it; call it yourself before requests made without one.
const std::string& UseTemporaryCookieHome();

// Deterministic bytes for large bodies: byte i depends on i and `seed`.
std::string PatternBody(size_t size, unsigned seed = 0);

// What the four share-link services answer. Texts are GBK.
struct ShareServiceScript {
  struct Place {
    std::string isp, country, province, city;
  };
  std::string publicAddress = "10.1.2.3";
  std::string city = "北京市";
  std::map<std::string, Place> places;  // geolocation answers by address; others get empty fields
  std::string pickCode = "abc";
  std::vector<std::string> urls;  // candidate direct URLs, in answer order
  std::string fileName = "地图包.zip";
  std::string fileSize = "1048576";
  std::string sha1 = "0123456789abcdef0123456789abcdef01234567";
  int factsCount = 1;  // how many times the file facts appear in the answer
};

class FaultServer {
 public:
  struct Tls {
    std::string certFile;
    std::string keyFile;
  };
  FaultServer();  // plain HTTP on 127.0.0.1, a free port
  explicit FaultServer(const Tls& tls);
  ~FaultServer();
  FaultServer(const FaultServer&) = delete;
  FaultServer& operator=(const FaultServer&) = delete;

  bool running() const { return port_ > 0; }
  int port() const { return port_; }
  std::string HostPort() const;  // "127.0.0.1:port"
  std::string Url(const std::string& path) const;

  // Replaces the rows of `path` (without query) with this one, served for ever.
  void SetRow(const std::string& path, FaultRow row);
  // Appends a row served for the next `times` requests of `path` (0: for ever); when it
  // is used up the next row of the path answers. A path without rows answers 404.
  void AddRow(const std::string& path, FaultRow row, int times = 0);
  void PlayShareServices(const ShareServiceScript& script);

  std::vector<RecordedRequest> Requests(const std::string& path = {}) const;
  size_t RequestCount(const std::string& path = {}) const;

 private:
  struct Entry;
  void Start();
  void Dispatch(const void* request, void* response);
  void Serve(const FaultRow& row, std::shared_ptr<const std::string> body,
             const RecordedRequest& record, void* response);
  // Sleeps up to `time`; false when the server is stopping.
  bool Wait(std::chrono::milliseconds time);

  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
  bool tls_ = false;
  mutable std::mutex mutex_;
  std::condition_variable stopCv_;
  bool stopping_ = false;
  std::map<std::string, std::vector<std::shared_ptr<Entry>>> rows_;
  std::vector<RecordedRequest> requests_;
};

}  // namespace tv::test
