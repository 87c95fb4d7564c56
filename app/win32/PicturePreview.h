#pragma once

#include <windows.h>

#include <optional>
#include <span>

#include "app/PictureInfo.h"
#include "app/win32/Pictures.h"

namespace stowlark {

// GDI+, started once for the process by whoever shows pictures, and shut
// down when that owner ends. Looked up in the system folder as the program
// runs, so that the program file needs no library it names; where there is
// none, Decode says so and OLE decodes instead.
class GdiPlus {
 public:
  GdiPlus();
  GdiPlus(const GdiPlus&) = delete;
  GdiPlus& operator=(const GdiPlus&) = delete;
  ~GdiPlus();

  // The first frame, at its own size, or nothing where GDI+ is missing or
  // cannot read the data.
  std::optional<DecodedPicture> Decode(std::span<const BYTE> data) const;

 private:
  ULONG_PTR token_ = 0;
};

struct PicturePreview {
  PictureInfo info;        // as the file's header gives it
  DecodedPicture picture;  // at the size it is shown in the box
};

// A file's content shown in a box of the given size: shrunk to fit, or a
// small picture enlarged by a whole factor (see FitInside). Nothing when the
// content is no GIF, PNG, JPEG or BMP, or neither GDI+ nor OLE can read it.
std::optional<PicturePreview> PreviewOf(const GdiPlus& gdiPlus, std::span<const BYTE> file,
                                        SIZE box);

// Draws the preview in the middle of the box.
void DrawPreview(HDC dc, const PicturePreview& preview, const RECT& box);

}  // namespace stowlark
