// Digests through OpenSSL's EVP interface, selected by CryptoAPI algorithm identifiers.
#pragma once

#include <string>
#include <string_view>

namespace tv::crypto {

constexpr unsigned kCalgMd5 = 0x8003;
constexpr unsigned kCalgSha1 = 0x8004;
constexpr unsigned kCalgSha256 = 0x800c;

// The raw digest of `data`, or false for an unknown algorithm or a failure.
bool Digest(unsigned algorithm, std::string_view data, std::string& out);

}  // namespace tv::crypto
