#pragma once

#include <optional>
#include <string>

namespace stowlark {

inline constexpr int kStyleNoIcon = 0;
inline constexpr int kStyleError = 16;
inline constexpr int kStyleWarning = 48;
inline constexpr int kStyleInformation = 64;

// A modal box with an OK button; returns when the user has closed it.
class MessagePort {
 public:
  virtual ~MessagePort() = default;
  virtual void ShowMessage(const std::string& prompt, int style,
                           const std::optional<std::string>& title) = 0;
  // A question with Yes, the default, and No; true for Yes.
  virtual bool Ask(const std::string& prompt, const std::string& title) = 0;
};

}  // namespace stowlark
