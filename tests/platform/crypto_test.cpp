// Digests by CryptoAPI algorithm id against published test vectors.
#include "platform/crypto.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

std::string ToHex(const std::string& bytes) {
  std::string out;
  char buf[3];
  for (unsigned char b : bytes) {
    std::snprintf(buf, sizeof buf, "%02x", b);
    out += buf;
  }
  return out;
}

struct Vector {
  unsigned algorithm;
  std::string data;
  std::string hex;
};

TEST(CryptoDigest, KnownVectors) {
  const Vector vectors[] = {
      {tv::crypto::kCalgMd5, "", "d41d8cd98f00b204e9800998ecf8427e"},
      {tv::crypto::kCalgMd5, "abc", "900150983cd24fb0d6963f7d28e17f72"},
      {tv::crypto::kCalgSha1, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {tv::crypto::kCalgSha256, "abc",
       "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      // Bytes beyond ASCII and an embedded zero are hashed as they are.
      {tv::crypto::kCalgMd5, std::string("a\0\xff", 3), "b400e11f5b771d40145d1dc70b3d7b8c"},
  };
  for (const Vector& v : vectors) {
    std::string digest;
    ASSERT_TRUE(tv::crypto::Digest(v.algorithm, v.data, digest)) << std::hex << v.algorithm;
    EXPECT_EQ(ToHex(digest), v.hex) << std::hex << v.algorithm << " of " << v.data;
  }
}

TEST(CryptoDigest, UnknownAlgorithmFails) {
  std::string digest = "stale";
  EXPECT_FALSE(tv::crypto::Digest(0x1234, "abc", digest));
  EXPECT_TRUE(digest.empty());
}

}  // namespace
