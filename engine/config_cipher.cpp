// The task file's cipher: XOR 0x10, hex, and a key check taken from the key's MD5 digest.
#include "engine/config_cipher.h"

#include <cstddef>

#include "common/text_routines.h"
#include "platform/crypto.h"
#include "platform/ui.h"

namespace tv {
namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr std::size_t kKeyCheckLength = 9;

// Characters 3 to 11 of the key's lower-case MD5 digits, in upper case; empty when no
// digest could be made.
std::string KeyCheck(std::string_view key) {
  std::string md5 = Md5HexLower(key);
  if (md5.size() < 2 + kKeyCheckLength) return {};
  return AsciiUpper(md5.substr(2, kKeyCheckLength));
}

std::string XorBytes(std::string_view bytes) {
  std::string out(bytes);
  for (char& c : out) c = static_cast<char>(c ^ 0x10);
  return out;
}

}  // namespace

std::string EncipherConfigText(std::string_view text, std::string_view key) {
  return HexEncode(XorBytes(text)) + KeyCheck(key);
}

std::string DecipherConfigText(std::string_view cipher, std::string_view key) {
  std::size_t bodyLength = cipher.size() > kKeyCheckLength ? cipher.size() - kKeyCheckLength : 0;
  if (cipher.substr(bodyLength) != KeyCheck(key)) return {};
  return XorBytes(HexDecode(cipher.substr(0, bodyLength)));
}

std::string Md5HexLower(std::string_view bytes) {
  return AsciiLower(CryptDigestHex(bytes, crypto::kCalgMd5, 16));
}

std::string CryptDigestHex(std::string_view bytes, unsigned algorithm, int length) {
  std::string digest;
  if (!crypto::Digest(algorithm, bytes, digest)) return {};
  // A buffer shorter than the digest cannot receive it; a longer one receives it whole.
  if (length < 0 || static_cast<std::size_t>(length) < digest.size()) return {};
  return HexEncode(digest);
}

std::string HexEncode(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out += kHexDigits[b >> 4];
    out += kHexDigits[b & 0x0F];
  }
  return out;
}

std::string HexDecode(std::string_view hex) {
  std::string out;
  out.reserve(hex.size() / 2 + 1);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    out += static_cast<char>(HexPairValue(hex.substr(i, 2)) & 0xFF);
    // Long values are decoded on the UI thread; keep its window responsive meanwhile.
    ui::PumpIfUiThread();
  }
  return out;
}

std::int64_t HexPairValue(std::string_view text) {
  // Unsigned arithmetic wraps instead of overflowing on long texts.
  std::uint64_t value = 0;
  for (char c : AsciiUpper(text)) {
    std::size_t digit = kHexDigits.find(c);
    std::int64_t add = digit == std::string_view::npos ? -2 : static_cast<std::int64_t>(digit);
    value = value * 16 + static_cast<std::uint64_t>(add);
  }
  return static_cast<std::int64_t>(value);
}

std::string NoticeKey() {
  return std::string("Tv7qLmR2xW") + std::to_string(58213907) + "kE4pZs9Nd";
}

std::string UrlKey() { return std::string("TerraVaneUrl") + std::to_string(30517) + "Qx8m"; }

const std::string& NoticeConstant() {
  // The notice text of the task file under the notice key; only this form is kept.
  static const std::string constant =
      "A1AEA3DCC0E2A2D9C3D3D1DB5B75636462797ED4B3AFF94B223E2625A0F6C2C4D9DF4DA5D4DFD2C4"
      "C8C2EDD7F6B3BC5B75636462797ED4B3AFF9DFD2C4C8A5C8C6A7B3AA786464602A3F3F6475626271"
      "66717E753E7568717D607C753F757E77797E753F2AD7DC6B2";
  return constant;
}

std::string NoticeText() { return DecipherConfigText(NoticeConstant(), NoticeKey()); }

}  // namespace tv
