// The page-access routine against the loopback fault server: header completion and
// write-back, POST bodies, the bad access method, proxies, cookies, conversions, faults.
#include <gtest/gtest.h>

#include "platform/inet.h"
#include "tests/support/fault_server.h"
#include "tests/support/gbk_assert.h"
#include "tests/support/headless_ui.h"
#include "web/page_access.h"

namespace tv {
namespace {

using test::Fault;
using test::FaultRow;

const std::string kAccept =
    "Accept: image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*\r\n";

class PageAccessTest : public ::testing::Test {
 protected:
  void SetUp() override { server_.SetRow("/page", FaultRow{.body = "page body"}); }

  // One call with every parameter; the in/out ones come back through the struct.
  struct Call {
    std::string url{};
    int method = kAccessGet;
    std::string proxy{};
    std::string headers{};
    std::string postData{};
    std::string cookies{};
    int conversion = kConvertNone;
    std::string responseHeaders{};
    std::string body{};
  };
  void Run(Call& c) {
    c.body = 网页_访问(c.url, c.method, c.proxy, c.headers, c.postData, c.cookies, c.conversion,
                       c.responseHeaders);
  }

  test::FaultServer server_;
};

TEST_F(PageAccessTest, CompletesTheHeaderBlockAndWritesItBack) {
  Call c{.url = "  " + server_.HostPort() + "/page  "};
  Run(c);
  const std::string url = "http://" + server_.HostPort() + "/page";
  EXPECT_EQ(c.url, url);  // trimmed and given a scheme
  EXPECT_EQ(c.body, "page body");
  EXPECT_EQ(c.headers, kAccept + "Referer: " + url + "\r\nAccept-Language: zh-cn\r\n");
  auto seen = server_.Requests("/page").at(0);
  EXPECT_EQ(seen.method, "GET");
  EXPECT_EQ(seen.Header("Referer"), url);
  EXPECT_EQ(seen.Header("Accept-Language"), "zh-cn");
  EXPECT_EQ(seen.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
  EXPECT_EQ(c.responseHeaders.rfind("HTTP/1.1 200", 0), 0u);

  // The same variable again: no default line twice, but the Cookie line every time.
  c.cookies = "k=v";
  Run(c);
  Run(c);
  EXPECT_EQ(c.headers, kAccept + "Referer: " + url +
                           "\r\nAccept-Language: zh-cn\r\nCookie: k=v\r\n\r\nCookie: k=v\r\n\r\n");
  EXPECT_NE(server_.Requests("/page").at(1).Header("Cookie").find("k=v"), std::string::npos);
}

TEST_F(PageAccessTest, CallerLinesInAnyCaseKeepTheirDefaultsOut) {
  Call c{.url = server_.Url("/page"),
         .headers = "accept: text/plain\r\nREFERER: http://from/\r\naccept-language: en\r\n"};
  const std::string given = c.headers;
  Run(c);
  EXPECT_EQ(c.headers, given);
  auto seen = server_.Requests("/page").at(0);
  EXPECT_EQ(seen.Header("Accept"), "text/plain");
  EXPECT_EQ(seen.Header("Referer"), "http://from/");
}

TEST_F(PageAccessTest, PostSendsItsBodyWithFormLinesOnlyWhenThereIsOne) {
  Call full{.url = server_.Url("/page"), .method = kAccessPost, .postData = "a=1&b=地"};
  Run(full);
  auto seen = server_.Requests("/page").at(0);
  EXPECT_EQ(seen.method, "POST");
  EXPECT_EQ(seen.body, "a=1&b=地");
  EXPECT_EQ(seen.Header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(seen.Header("Content-Length"), "8");  // GBK bytes, not characters
  EXPECT_NE(full.headers.find("Content-Length: 8\r\n"), std::string::npos);

  Call empty{.url = server_.Url("/page"), .method = kAccessPost};
  Run(empty);
  seen = server_.Requests("/page").at(1);
  EXPECT_EQ(seen.method, "POST");
  EXPECT_EQ(seen.body, "");
  EXPECT_FALSE(seen.HasHeader("Content-Type"));
  EXPECT_EQ(empty.headers.find("Content-"), std::string::npos);
}

TEST_F(PageAccessTest, ABadAccessMethodShowsTheMessageAndSendsNothing) {
  test::HeadlessUi ui;
  Call c{.url = " " + server_.Url("/page") + " ", .method = 2, .headers = "X: 1\r\n"};
  Run(c);
  EXPECT_EQ(c.body, "");
  EXPECT_EQ(c.url, server_.Url("/page"));
  EXPECT_EQ(c.headers, "X: 1\r\n");
  EXPECT_EQ(server_.RequestCount(), 0u);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_GBK_EQ(ui.messages()[0].text, "【网页_访问】命令的第二个【访问方式】参数有误,请返回修改");
  EXPECT_GBK_EQ(ui.messages()[0].title, "友情提醒");
}

TEST_F(PageAccessTest, BlankProxyIsDirectAndAProxyCarriesTheRequest) {
  Call direct{.url = server_.Url("/page"), .proxy = "   "};
  Run(direct);
  EXPECT_EQ(direct.body, "page body");

  server_.SetRow("http://far.test/doc", FaultRow{.body = "proxied"});
  Call proxied{.url = "far.test/doc", .proxy = server_.HostPort()};
  Run(proxied);
  EXPECT_EQ(proxied.body, "proxied");
}

TEST_F(PageAccessTest, CookiesFromSetCookieLinesGoBackToTheHost) {
  server_.SetRow("/login", FaultRow{.body = "in", .headers = {{"Set-Cookie", "a=b; path=/"}}});
  // A header block far over 2,047 bytes still comes back whole and its cookie is kept.
  server_.SetRow("/big-headers", FaultRow{.body = "x",
                                          .headers = {{"X-Pad", std::string(3000, 'p')},
                                                      {"Set-Cookie", "late=2; path=/"}}});
  Call login{.url = server_.Url("/login")};
  Run(login);
  Call big{.url = server_.Url("/big-headers")};
  Run(big);
  EXPECT_NE(big.responseHeaders.find(std::string(3000, 'p')), std::string::npos);
  EXPECT_NE(big.responseHeaders.find("Set-Cookie: late=2; path=/\r\n"), std::string::npos);
  Call next{.url = server_.Url("/page")};
  Run(next);
  std::string sent = server_.Requests("/page").at(0).Header("Cookie");
  EXPECT_NE(sent.find("a=b"), std::string::npos) << sent;
  EXPECT_NE(sent.find("late=2"), std::string::npos) << sent;
}

TEST_F(PageAccessTest, ConvertsUtf8AndBig5BodiesToGbk) {
  // The UTF-8 bytes of the two characters, then a zero byte that ends the text.
  server_.SetRow("/utf8", FaultRow{.body = "\xE7\xBD\x91\xE9\xA1\xB5" + std::string("\0tail", 5)});
  server_.SetRow("/big5", FaultRow{.body = "\xBA\xF4\xAD\xB6"});  // the traditional form, in Big5
  const struct {
    const char* path;
    int conversion;
    std::string body{};
  } cases[] = {
      {"/utf8", kConvertUtf8, "网页"},
      {"/big5", kConvertBig5, "网页"},
      {"/big5", 7, "\xBA\xF4\xAD\xB6"},  // unknown conversions leave the bytes alone
  };
  for (const auto& k : cases) {
    Call c{.url = server_.Url(k.path), .conversion = k.conversion};
    Run(c);
    EXPECT_GBK_EQ(c.body, k.body) << k.path << " " << k.conversion;
  }
}

TEST_F(PageAccessTest, FailuresGiveWhatArrivedAndNeverThrow) {
  server_.SetRow("/missing", FaultRow{.status = 404, .body = "no such page"});
  server_.SetRow("/broken",
                 FaultRow{.body = "0123456789", .fault = Fault::CloseAfter, .faultAfter = 4});
  server_.SetRow("/moved", FaultRow::Redirect("/page"));
  const struct {
    std::string url{};
    std::string body{};
    std::string statusLine{};  // the start of responseHeaders
  } cases[] = {
      {server_.Url("/missing"), "no such page", "HTTP/1.1 404"},
      {server_.Url("/broken"), "0123", "HTTP/1.1 200"},
      {server_.Url("/moved"), "page body", "HTTP/1.1 200"},
      {"http://127.0.0.1:1/none", "", ""},
  };
  for (const auto& k : cases) {
    Call c{.url = k.url, .responseHeaders = "untouched"};
    Run(c);
    EXPECT_EQ(c.body, k.body) << k.url;
    EXPECT_EQ(c.responseHeaders.substr(0, k.statusLine.size()), k.statusLine) << k.url;
    if (k.statusLine.empty()) {
      EXPECT_EQ(c.responseHeaders, "") << k.url;
    }
  }
}

}  // namespace
}  // namespace tv
