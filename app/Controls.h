#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace stowlark {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kClientWidth = 218;
inline constexpr int kClientHeight = 245;

// The layout and the first pictures are made for 96 dots per inch; at d dots
// per inch each of their pixels takes d / 96 pixels.
inline constexpr int kDesignDpi = 96;
inline constexpr int kTwipsPerInch = 1440;

// round(value * dpi / 96), halves rounded up, as the pictures are drawn.
constexpr int ScaleToDpi(int value, int dpi) { return (value * dpi + kDesignDpi / 2) / kDesignDpi; }

// The densities the pictures are drawn for, besides 96.
inline constexpr int kPictureDensities[] = {kDesignDpi, 120, 144, 192};

// The density whose pictures serve `dpi`: the same, else the next larger
// (drawn smaller), else the largest there is.
int PictureDensityFor(int dpi);

enum class ControlKind { Label, Image, Frame, CheckBox };
enum class FontId { Default, VerdanaTitle, VerdanaLink, VerdanaBar };
enum class Background { Transparent, White, ButtonFace };
enum class Picture { None, Go, Minimise, About, Close };
enum class CursorId { Arrow, Hand };

inline constexpr std::uint32_t kSystemButtonText = 0xFFFFFFFF;

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool Contains(int x, int y) const {
    return x >= left && y >= top && x < left + width && y < top + height;
  }
  bool operator==(const Rect&) const = default;
};

struct Control {
  std::string_view name;
  ControlKind kind;
  std::string_view container;  // empty for the window itself
  Rect twips;                  // relative to the container's outer corner
  std::optional<int> tabIndex;
  bool visible;
  bool enabled;
  std::string_view caption;
  FontId font;
  std::uint32_t textColour;  // 0xRRGGBB, or kSystemButtonText
  Background background;
  Picture picture;
  CursorId cursor;
  std::optional<int> focusOrder;  // its place in the keyboard's round; none takes no focus
};

struct WebLink {
  std::string_view caption;
  std::string_view address;
};

// The program has no web site of its own; both links point into the reserved
// example domain.
inline constexpr WebLink kMakerSite{"Dorvane", "https://dorvane.example/"};
inline constexpr WebLink kSecondSite{"Smileys", "https://smileys.example/"};

// Every control, in creation order: later entries lie on top.
std::span<const Control> ControlTable();
const Control& FindControl(std::string_view name);

// The controls that take the keyboard focus, in the order Tab visits them.
std::vector<const Control*> FocusOrder();

// The control's rectangle in window client pixels at `dpi`: its twips times
// dpi / 1440, from its container's corner.
Rect PixelRect(const Control& control, int dpi = kDesignDpi);

// Where the focus cue goes round a command: two pixels (at 96 dots per inch)
// outside its box, but never into the box of a control beside it, such as
// the bar between the two links.
Rect FocusCue(const Control& control, int dpi = kDesignDpi);

// The topmost visible control under a client pixel, or nullptr for the bare
// window surface. `titleBox` is lblTitle's box once sized to its caption.
const Control* HitTest(int x, int y, const std::optional<Rect>& titleBox = std::nullopt,
                       int dpi = kDesignDpi);

}  // namespace stowlark
