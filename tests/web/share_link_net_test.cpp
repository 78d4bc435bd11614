// Share-link resolution end to end against the four services played by the loopback
// server: public address, carrier lookup, the resolver and link API exchange.
#include <gtest/gtest.h>

#include "tests/support/fault_server.h"
#include "tests/support/gbk_assert.h"
#include "web/share_link.h"

namespace tv {
namespace {

const std::string kTelecomMirror = "http://10.0.0.2/d/f.zip";
const std::string kOtherMirror = "http://10.0.0.1/d/f.zip";

class ShareLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    script_.places["10.0.0.1"] = {"联通", "中国", "上海", "上海"};
    script_.places["10.0.0.2"] = {"电信", "中国", "广东", "广州"};
    script_.places["10.0.0.3"] = {"移动", "中国", "江苏", "电信路"};  // the word outside isp
    Play();
    std::string hp = server_.HostPort();
    SetServiceHostsForTests({hp, hp, hp, hp});
  }
  void TearDown() override { SetServiceHostsForTests(DefaultServiceHosts()); }
  void Play() { server_.PlayShareServices(script_); }

  test::FaultServer server_;
  test::ShareServiceScript script_;
};

TEST_F(ShareLinkTest, LooksUpThePublicAddressAndCity) {
  std::string city = "old";
  EXPECT_EQ(LookupPublicAddress(city), "10.1.2.3");
  EXPECT_GBK_EQ(city, "北京市");

  SetServiceHostsForTests({"127.0.0.1:1", "127.0.0.1:1", "127.0.0.1:1", "127.0.0.1:1"});
  EXPECT_EQ(LookupPublicAddress(city), "");
  EXPECT_EQ(city, "");
  EXPECT_EQ(LookupCarrier("10.0.0.2"), kCarrierOther);  // no answer: not the telecom carrier
}

TEST_F(ShareLinkTest, TheCarrierClassFollowsTheDecodedAnswer) {
  struct {
    const char* address;
    CarrierClass cls;
    const char* name;
    const char* location;
  } cases[] = {
      {"10.0.0.2", kCarrierTelecom, "电信", "中国广东广州"},
      {"10.0.0.1", kCarrierOther, "联通", "中国上海上海"},
      {"10.0.0.3", kCarrierTelecom, "移动", "中国江苏电信路"},
      {"192.0.2.9", kCarrierOther, "", ""},
  };
  for (const auto& c : cases) {
    std::string name = "x", location = "x";
    EXPECT_EQ(LookupCarrier(c.address, &name, &location), c.cls) << c.address;
    EXPECT_GBK_EQ(name, c.name) << c.address;
    EXPECT_GBK_EQ(location, c.location) << c.address;
  }
  EXPECT_EQ(server_.Requests("/iplookup/iplookup.php").at(0).query, "format=js&ip=10.0.0.2");
}

TEST_F(ShareLinkTest, ChoosesTheMirrorOnTheAskedClassOrElseTheLast) {
  struct {
    const char* name;
    std::vector<std::string> urls;
    CarrierClass asked;
    std::string chosen, telecomUrl, otherUrl;
  } cases[] = {
      {"SecondOnClass",
       {kOtherMirror, kTelecomMirror},
       kCarrierTelecom,
       kTelecomMirror,
       kTelecomMirror,
       kOtherMirror},
      {"FirstOnOtherClass",
       {kOtherMirror, kTelecomMirror},
       kCarrierOther,
       kOtherMirror,
       kTelecomMirror,
       kOtherMirror},
      {"NoneOnClassTakesTheLast",
       {kTelecomMirror, "http://10.0.0.2/e.zip"},
       kCarrierOther,
       "http://10.0.0.2/e.zip",
       "http://10.0.0.2/e.zip",
       kTelecomMirror},
      {"SingleOffClass", {kTelecomMirror}, kCarrierOther, kTelecomMirror, kTelecomMirror, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    script_.urls = c.urls;
    Play();
    ShareFileInfo info;
    EXPECT_EQ(FetchShareFileInfo(c.asked, "abc", info), c.chosen);
    EXPECT_EQ(info.telecomUrl, c.telecomUrl);
    EXPECT_EQ(info.otherUrl, c.otherUrl);
    EXPECT_GBK_EQ(info.name, "地图包.zip");
    EXPECT_EQ(info.size, "1048576");
    EXPECT_EQ(info.sha1, script_.sha1);
  }
}

TEST_F(ShareLinkTest, ResolvesALinkIntoAUrlWithTheFileNameAndExtension) {
  script_.urls = {kOtherMirror, kTelecomMirror};
  Play();
  std::string name, ext;
  // Class 0 means the telecom carrier; the link's last segment loses its "#".
  std::string link = "http://" + std::string(ShareLinkMarker()) + "abc#";
  EXPECT_TRUE(IsShareLink(link));
  EXPECT_EQ(ResolveShareLink(link, 0, name, ext), kTelecomMirror);
  EXPECT_GBK_EQ(name, "地图包.zip");
  EXPECT_EQ(ext, ".zip");
  // The POSTs carried the previous answers along the chain.
  auto resolver = server_.Requests("/ed/index.php");
  ASSERT_EQ(resolver.size(), 2u);
  EXPECT_EQ(resolver[0].query, "pick_code=abc&client_version=2.0&file_answer=&ct=0");
  EXPECT_EQ(resolver[1].body, "pick_code=abc&sign=s-abc&t=1700000000");
  EXPECT_EQ(resolver[1].Header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST_F(ShareLinkTest, DoubledFileFactsLeaveTheNameEmpty) {
  script_.urls = {kTelecomMirror};
  script_.factsCount = 2;
  Play();
  ShareFileInfo info;
  EXPECT_EQ(FetchShareFileInfo(kCarrierTelecom, "abc", info), kTelecomMirror);
  EXPECT_EQ(info.name, "");
  EXPECT_EQ(info.size, "");
  EXPECT_EQ(info.sha1, "");
  std::string name = "keep", ext = "keep";
  EXPECT_EQ(ResolveShareLink("abc", kCarrierTelecom, name, ext), kTelecomMirror);
  EXPECT_EQ(name, "");
  EXPECT_EQ(ext, "");
}

TEST_F(ShareLinkTest, NoCandidateGivesMinusOneAndTouchesNothing) {
  script_.urls = {};
  Play();
  std::string name = "keep", ext = "keep";
  EXPECT_EQ(ResolveShareLink("abc", kCarrierTelecom, name, ext), "-1");
  // A pick code the services do not know gets no candidates either.
  script_.urls = {kTelecomMirror};
  Play();
  EXPECT_EQ(ResolveShareLink("zzz", kCarrierTelecom, name, ext), "-1");
  EXPECT_EQ(name, "keep");
  EXPECT_EQ(ext, "keep");

  // TLS mirrors are accepted like plain ones.
  script_.urls = {"https://10.0.0.2/d/g.7z"};
  script_.fileName = "g.7z";
  Play();
  EXPECT_EQ(ResolveShareLink("abc", kCarrierTelecom, name, ext), "https://10.0.0.2/d/g.7z");
  EXPECT_EQ(ext, ".7z");
}

}  // namespace
}  // namespace tv
