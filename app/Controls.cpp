#include "app/Controls.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>

namespace stowlark {
namespace {

using enum ControlKind;
using enum FontId;
using enum Background;
using enum Picture;
using enum CursorId;

constexpr std::uint32_t kGreyCaption = 0x808080;
constexpr std::uint32_t kGreyText = 0x616161;
constexpr std::uint32_t kTitleText = 0x5A5A5A;
constexpr std::uint32_t kLinkBlue = 0x0000FF;

// clang-format off
constexpr std::array<Control, 18> kControls{{
  {"Frame2",      Frame,    "",       {345, 1875, 2385, 1050}, 4,  true,  true,  "[ Restore ]", Default, kGreyCaption, White, None, Arrow, {}},
  {"chkRestore",  CheckBox, "Frame2", {1275, 915, 1230, 225},  9,  false, false, "From Floppy", Default, kSystemButtonText, White, None, Arrow, {}},
  {"Label6",      Label,    "Frame2", {120, 375, 1215, 405},   8,  true,  true,  "Restore your last saved backup.", Default, kGreyText, Transparent, None, Arrow, {}},
  {"imgRestore",  Image,    "Frame2", {1440, 240, 705, 645},   {}, true,  true,  "", Default, kSystemButtonText, Transparent, Go, Hand, 1},
  {"Frame1",      Frame,    "",       {345, 690, 2385, 1050},  3,  true,  true,  "[ Backup ]", Default, kGreyCaption, White, None, Arrow, {}},
  {"chkBackup",   CheckBox, "Frame1", {1245, 900, 1200, 195},  10, false, false, "To Floppy", Default, kSystemButtonText, White, None, Arrow, {}},
  {"Label5",      Label,    "Frame1", {120, 360, 1230, 420},   7,  true,  true,  "Backup your current setting.", Default, kGreyText, Transparent, None, Arrow, {}},
  {"imgBackup",   Image,    "Frame1", {1440, 240, 705, 645},   {}, true,  true,  "", Default, kSystemButtonText, Transparent, Go, Hand, 0},
  {"Label4",      Label,    "",       {435, 3195, 1080, 210},  5,  true,  true,  kMakerSite.caption, VerdanaLink, kLinkBlue, Transparent, None, Arrow, 2},
  {"Label7",      Label,    "",       {1665, 3195, 1080, 210}, 12, true,  true,  kSecondSite.caption, VerdanaLink, kLinkBlue, Transparent, None, Arrow, 3},
  {"Label3",      Label,    "",       {1500, 3195, 90, 225},   11, true,  true,  "|", VerdanaBar, kSystemButtonText, Transparent, None, Arrow, {}},
  {"lblHold",     Label,    "",       {240, 3960, 2415, 375},  6,  true,  true,  "lblHold", Default, kSystemButtonText, ButtonFace, None, Arrow, {}},
  {"imgMinimize", Image,    "",       {2910, 855, 285, 270},   {}, true,  true,  "", Default, kSystemButtonText, Transparent, Minimise, Arrow, 5},
  {"Image2",      Image,    "",       {2880, 1185, 330, 345},  {}, true,  true,  "", Default, kSystemButtonText, Transparent, About, Arrow, 4},
  {"Image1",      Image,    "",       {2955, 135, 195, 195},   {}, true,  true,  "", Default, kSystemButtonText, Transparent, Close, Arrow, 6},
  {"lblTitle",    Label,    "",       {300, 255, 2415, 240},   2,  true,  true,  "Stowlark", VerdanaTitle, kTitleText, Transparent, None, Arrow, {}},
  {"Label2",      Label,    "",       {75, 5085, 5535, 630},   1,  true,  true,  "Label2", Default, kSystemButtonText, ButtonFace, None, Arrow, {}},
  {"Label1",      Label,    "",       {120, 4515, 4995, 510},  0,  true,  true,  "Label1", Default, kSystemButtonText, ButtonFace, None, Arrow, {}},
}};
// clang-format on

}  // namespace

std::span<const Control> ControlTable() { return kControls; }

const Control& FindControl(std::string_view name) {
  for (const auto& control : kControls) {
    if (control.name == name) return control;
  }
  // Every caller names a control of the table: anything else is a fault in
  // the program itself.
  std::abort();
}

int PictureDensityFor(int dpi) {
  for (const int density : kPictureDensities) {
    if (density >= dpi) return density;
  }
  return std::end(kPictureDensities)[-1];
}

std::vector<const Control*> FocusOrder() {
  std::vector<const Control*> order;
  for (const auto& control : kControls) {
    if (control.focusOrder) order.push_back(&control);
  }
  std::sort(order.begin(), order.end(),
            [](const Control* a, const Control* b) { return *a->focusOrder < *b->focusOrder; });
  return order;
}

Rect PixelRect(const Control& control, int dpi) {
  Rect origin;
  if (!control.container.empty()) origin = PixelRect(FindControl(control.container), dpi);
  const auto pixels = [dpi](int twips) {
    return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch;
  };
  return {origin.left + pixels(control.twips.left), origin.top + pixels(control.twips.top),
          pixels(control.twips.width), pixels(control.twips.height)};
}

Rect FocusCue(const Control& control, int dpi) {
  const Rect own = PixelRect(control, dpi);
  const int margin = ScaleToDpi(2, dpi);
  int left = own.left - margin, top = own.top - margin;
  int right = own.left + own.width + margin, bottom = own.top + own.height + margin;
  const int middleX = own.left + own.width / 2, middleY = own.top + own.height / 2;
  for (const auto& other : kControls) {
    if (&other == &control || !other.visible || other.name == control.container) continue;
    const Rect box = PixelRect(other, dpi);
    const int boxRight = box.left + box.width, boxBottom = box.top + box.height;
    if (box.top < bottom && boxBottom > top) {
      if (box.left > middleX) right = std::min(right, box.left);
      if (boxRight <= middleX) left = std::max(left, boxRight);
    }
    if (box.left < right && boxRight > left) {
      if (box.top > middleY) bottom = std::min(bottom, box.top);
      if (boxBottom <= middleY) top = std::max(top, boxBottom);
    }
  }
  return {left, top, right - left, bottom - top};
}

const Control* HitTest(int x, int y, const std::optional<Rect>& titleBox, int dpi) {
  for (auto it = kControls.rbegin(); it != kControls.rend(); ++it) {
    const Rect box = titleBox && it->name == "lblTitle" ? *titleBox : PixelRect(*it, dpi);
    if (it->visible && box.Contains(x, y)) return &*it;
  }
  return nullptr;
}

}  // namespace stowlark
