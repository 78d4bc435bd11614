// The automation request object: which program ids exist, and one synchronous exchange.
#include <gtest/gtest.h>

#include "platform/xmlhttp.h"
#include "tests/support/fault_server.h"

namespace tv::xmlhttp {
namespace {

using test::FaultRow;

TEST(XmlHttpTest, OnlyTheRequestClassesWeProvideAreCreated) {
  const std::pair<const char*, bool> ids[] = {
      {"MSXML2.ServerXMLHTTP", true},
      {"msxml2.serverxmlhttp", true},
      {"Microsoft.XMLHTTP", true},
      {"MSXML2.XMLHTTP", true},
      {"WinHttp.WinHttpRequest.5.1", false},
      {"ScriptControl", false},
      {"", false},
  };
  for (const auto& [id, exists] : ids)
    EXPECT_EQ(RequestObject::Create(id) != nullptr, exists) << id;
}

TEST(XmlHttpTest, SendsItsHeadersAndHandsBackTheAnswer) {
  test::FaultServer server;
  server.SetRow("/doc", FaultRow{.body = "0123456789"});
  server.SetRow("/cut",
                FaultRow{.body = "0123456789", .fault = test::Fault::CloseAfter, .faultAfter = 3});
  auto request = RequestObject::Create("MSXML2.ServerXMLHTTP");
  EXPECT_FALSE(request->Open("GET", server.Url("/doc"), true));  // no asynchronous requests
  EXPECT_FALSE(request->Open("GET", "ftp://127.0.0.1/doc"));
  ASSERT_TRUE(request->Open("GET", server.Url("/doc")));
  EXPECT_TRUE(request->SetRequestHeader("Range", "bytes=1-2"));
  EXPECT_FALSE(request->SetRequestHeader("Bad\r\nName", "x"));
  ASSERT_TRUE(request->Send());
  EXPECT_EQ(request->Status(), 206);
  EXPECT_EQ(request->ResponseBody(), "12");
  std::string headers = request->GetAllResponseHeaders();
  EXPECT_NE(headers.find("Content-Range: bytes 1-2/10\r\n"), std::string::npos) << headers;
  EXPECT_EQ(headers.find("HTTP/"), std::string::npos);
  EXPECT_EQ(server.Requests("/doc").at(0).Header("Range"), "bytes=1-2");

  ASSERT_TRUE(request->Open("GET", server.Url("/cut")));
  EXPECT_FALSE(request->Send());  // a body cut short fails the send
  EXPECT_EQ(request->Status(), 200);
}

}  // namespace
}  // namespace tv::xmlhttp
