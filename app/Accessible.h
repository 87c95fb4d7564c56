#pragma once

#include <span>
#include <string_view>

#include "app/Controls.h"

namespace stowlark {

enum class AccessibleRole { PushButton, Link, StaticText };

// What a screen reader is told of one command or visible text of the window.
struct AccessibleChild {
  std::string_view control;  // its name in the control table
  AccessibleRole role;
  std::string_view name;         // empty: the control's caption
  std::string_view describedBy;  // the control whose caption describes it, if any
};

// The window's commands and visible texts in reading order; a screen
// reader knows each by its place here, counting from 1.
std::span<const AccessibleChild> AccessibleChildren();

// The child's name: its own, or the caption it shows.
std::string_view AccessibleName(const AccessibleChild& child);
std::string_view AccessibleDescription(const AccessibleChild& child);
std::string_view DefaultAction(const AccessibleChild& child);

// The place of the child that shows `control`, or 0 for none.
int AccessibleIdOf(const Control& control);

}  // namespace stowlark
