// Digests on OpenSSL's EVP interface; each call makes and frees its own context, so calls
// on different threads share nothing.
#include "platform/crypto.h"

#include <openssl/evp.h>

#include <memory>

namespace tv::crypto {
namespace {

const EVP_MD* DigestFor(unsigned algorithm) {
  switch (algorithm) {
    case kCalgMd5:
      return EVP_md5();
    case kCalgSha1:
      return EVP_sha1();
    case kCalgSha256:
      return EVP_sha256();
    default:
      return nullptr;
  }
}

}  // namespace

bool Digest(unsigned algorithm, std::string_view data, std::string& out) {
  out.clear();
  const EVP_MD* md = DigestFor(algorithm);
  if (!md) return false;
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  if (!ctx) return false;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1 ||
      EVP_DigestUpdate(ctx.get(), data.data(), data.size()) != 1 ||
      EVP_DigestFinal_ex(ctx.get(), digest, &size) != 1) {
    return false;
  }
  out.assign(reinterpret_cast<const char*>(digest), size);
  return true;
}

}  // namespace tv::crypto
