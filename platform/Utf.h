#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace stowlark {

// Ill-formed input becomes U+FFFD rather than being dropped, so a damaged name
// still shows up in a message instead of silently vanishing.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
// Text as the registry stores it, UTF-16 in little-endian bytes; an odd last
// byte is left out.
std::string Utf16LeToUtf8(std::span<const std::uint8_t> bytes);

}  // namespace stowlark
