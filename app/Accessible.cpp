#include "app/Accessible.h"

#include <array>

namespace stowlark {
namespace {

using enum AccessibleRole;

constexpr std::array<AccessibleChild, 12> kChildren{{
    {"lblTitle", StaticText, "", ""},
    {"Frame1", StaticText, "", ""},
    {"Label5", StaticText, "", ""},
    {"imgBackup", PushButton, "Back up", "Label5"},
    {"Frame2", StaticText, "", ""},
    {"Label6", StaticText, "", ""},
    {"imgRestore", PushButton, "Restore", "Label6"},
    {"Label4", Link, "", ""},
    {"Label7", Link, "", ""},
    {"Image2", PushButton, "About", ""},
    {"imgMinimize", PushButton, "Minimise", ""},
    {"Image1", PushButton, "Close", ""},
}};

}  // namespace

std::span<const AccessibleChild> AccessibleChildren() { return kChildren; }

std::string_view AccessibleName(const AccessibleChild& child) {
  return child.name.empty() ? FindControl(child.control).caption : child.name;
}

std::string_view AccessibleDescription(const AccessibleChild& child) {
  return child.describedBy.empty() ? "" : FindControl(child.describedBy).caption;
}

std::string_view DefaultAction(const AccessibleChild& child) {
  switch (child.role) {
    case PushButton:
      return "Press";
    case Link:
      return "Jump";
    case StaticText:
      break;
  }
  return "";
}

int AccessibleIdOf(const Control& control) {
  for (std::size_t i = 0; i < kChildren.size(); ++i) {
    if (kChildren[i].control == control.name) return static_cast<int>(i) + 1;
  }
  return 0;
}

}  // namespace stowlark
