// The reversible cipher of the task file's notice and address values, its MD5 key check,
// and the hex conversions around them. Texts are GBK bytes, handled without terminator.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tv {

// Each byte XOR 0x10 as upper-case hex, followed by the 9-character key check of `key`.
std::string EncipherConfigText(std::string_view text, std::string_view key);
// The plain text, or the empty text when the last 9 characters are not the key check.
std::string DecipherConfigText(std::string_view cipher, std::string_view key);

// 32 lower-case hex digits of the MD5 digest, or the empty text when none could be made.
std::string Md5HexLower(std::string_view bytes);
// The digest of `algorithm` (a CryptoAPI id, e.g. 0x8003 for MD5) as upper-case hex digits,
// or the empty text for an unknown algorithm or a `length` too small for the digest.
std::string CryptDigestHex(std::string_view bytes, unsigned algorithm, int length);

// Two upper-case hex digits per byte, no separators.
std::string HexEncode(std::string_view bytes);
// One byte per two characters (the last one alone at an odd end), each the lowest 8 bits
// of HexPairValue. Processes pending UI events after each byte when run on the UI thread.
std::string HexDecode(std::string_view hex);
// The text read as hex digits, case-insensitive; any other character counts as -2.
std::int64_t HexPairValue(std::string_view text);

// The two keys, assembled at run time from their pieces.
std::string NoticeKey();
std::string UrlKey();
// The task file's notice text held enciphered under the notice key, and its plain form.
const std::string& NoticeConstant();
std::string NoticeText();

}  // namespace tv
