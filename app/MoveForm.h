#pragma once

#include "platform/WindowPort.h"

namespace stowlark {

inline constexpr std::uint32_t kWmNcLButtonDown = 161;
inline constexpr std::uintptr_t kHtCaption = 2;

// Hands the press to the system's own move loop, as if the user had pressed
// on a title bar; returns when the move is done.
void DragForm(WindowPort& form);

}  // namespace stowlark
