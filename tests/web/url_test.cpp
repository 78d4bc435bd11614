// URL splitting: host, object path and port over the shapes the program meets.
#include "web/url.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

struct UrlCase {
  const char* url;
  const char* host;
  const char* path;
  int port;
};

TEST(UrlTest, SplitsHostPathAndPort) {
  const UrlCase cases[] = {
      {"http://Host.Name:8080/a/b", "host.name", "/a/b", 8080},
      {"http://h", "h", "/", 80},
      {"http://h/a?x=1#f", "h", "/a?x=1#f", 80},
      {"h:81/x", "h", "/x", 81},
      {"http://h:8080", "h", "/", 8080},
      {"http://tp/x", "tp", "/x", 80},  // a host made of letters of the scheme
      {"http://a.b/go?u=http://c.d/e", "a.b", "/go?u=http://c.d/e", 80},
      {"http://h:abc/x", "h", "/x", 0},
      {"http://HTTP://h/x", "http", "//h/x", 0},  // a capital scheme is no scheme
      // TLS addresses keep their own port, 443 unless they name one.
      {"https://h:8443/x", "h", "/x", 8443},
      {"https://Secure.Example/f.zip", "secure.example", "/f.zip", 443},
  };
  for (const UrlCase& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(UrlHost(c.url), c.host);
    EXPECT_EQ(UrlPath(c.url), c.path);
    EXPECT_EQ(UrlPort(c.url), c.port);
  }
  EXPECT_TRUE(UrlIsSecure("HTTPS://h/"));
  EXPECT_FALSE(UrlIsSecure("http://h/"));
}

}  // namespace
}  // namespace tv
