// https:// addresses over TLS: a loopback TLS server whose certificate comes from a test
// certificate authority made with openssl in the sandbox, trusted only when we say so.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/inet.h"
#include "tests/support/fault_server.h"
#include "tests/support/sandbox.h"
#include "web/page_access.h"
#include "web/size_probe.h"

namespace tv {
namespace {

using test::FaultRow;

class TlsTest : public test::Sandbox {
 protected:
  void SetUp() override {
    Sandbox::SetUp();
    WriteFile("san.cnf", "subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n");
    const std::string d = dir().string() + "/";
    const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    const std::string commands[] = {
        "openssl req -x509" + key + " -keyout " + d + "ca.key -out " + d +
            "ca.pem -days 2 -subj /CN=TerravaneTestCA",
        "openssl req -x509" + key + " -keyout " + d + "stranger.key -out " + d +
            "stranger.pem -days 2 -subj /CN=StrangerCA",
        "openssl req" + key + " -keyout " + d + "server.key -out " + d +
            "server.csr -subj /CN=127.0.0.1",
        "openssl x509 -req -in " + d + "server.csr -CA " + d + "ca.pem -CAkey " + d +
            "ca.key -CAcreateserial -out " + d + "server.pem -days 2 -extfile " + d + "san.cnf",
    };
    for (const std::string& command : commands) {
      ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
    }
    server_ = std::make_unique<test::FaultServer>(
        test::FaultServer::Tls{d + "server.pem", d + "server.key"});
    ASSERT_TRUE(server_->running());
    server_->SetRow("/secret", FaultRow{.body = "over tls"});
    server_->SetRow("/pack.zip", FaultRow{.body = test::PatternBody(70000)});
  }
  void TearDown() override {
    inet::SetCaBundle("");
    server_.reset();
    Sandbox::TearDown();
  }
  std::string Fetch(const std::string& path) {
    std::string url = server_->Url(path);
    return 网页_访问(url);
  }

  std::unique_ptr<test::FaultServer> server_;
};

TEST_F(TlsTest, HttpsAddressesAreFetchedOverTlsOnTheirOwnPort) {
  inet::SetCaBundle((dir() / "ca.pem").string());
  ASSERT_EQ(server_->Url("/secret").rfind("https://", 0), 0u);
  EXPECT_EQ(Fetch("/secret"), "over tls");
  EXPECT_EQ(ProbeRemoteSize(server_->Url("/pack.zip"), "/"), 70000);
  EXPECT_EQ(server_->RequestCount("/pack.zip"), 1u);
}

TEST_F(TlsTest, AServerOfAnUntrustedAuthorityGetsNoRequest) {
  inet::SetCaBundle((dir() / "stranger.pem").string());
  EXPECT_EQ(Fetch("/secret"), "");
  EXPECT_EQ(ProbeRemoteSize(server_->Url("/pack.zip"), "/"), -1);
  EXPECT_EQ(server_->RequestCount(), 0u);
}

}  // namespace
}  // namespace tv
