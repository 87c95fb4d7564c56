#pragma once

#include <string>
#include <string_view>

namespace stowlark {

// Ill-formed input becomes U+FFFD rather than being dropped, so a damaged name
// still shows up in a message instead of silently vanishing.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace stowlark
