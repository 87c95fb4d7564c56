#pragma once

#include <windows.h>
// after windows.h, which they need
#include <wincodec.h>

#include <cstdint>
#include <optional>
#include <span>

#include "platform/win32/Com.h"
#include "platform/win32/Handles.h"

namespace stowlark {

// A picture decoded to 32-bit premultiplied BGRA, so GIF transparency can be
// drawn with GdiAlphaBlend.
struct DecodedPicture {
  win32::UniqueGdi bitmap;
  int width = 0;
  int height = 0;
};

// Decodes the GIF and JPEG pictures carried as RCDATA resources: with the
// Windows Imaging Component where the system has it, otherwise with OLE's
// picture loader, which every Windows has (some Windows XP SP3 have no WIC).
// One imaging factory serves every picture. Needs COM on the calling thread.
class PictureDecoder {
 public:
  PictureDecoder();
  std::optional<DecodedPicture> Decode(HINSTANCE instance, int resourceId) const;

  std::optional<DecodedPicture> DecodeWithWic(std::span<const BYTE> data) const;
  static std::optional<DecodedPicture> DecodeWithOle(std::span<const BYTE> data);

 private:
  win32::ComPtr<IWICImagingFactory> factory_;
};

// A top-down 32-bit bitmap whose pixels the caller fills.
std::optional<DecodedPicture> BlankPicture(int width, int height, std::uint32_t*& pixels);

// The resource of a picture, icon or cursor id as drawn for one of the
// picture densities.
int ResourceFor(int id, int density);

// The bytes of an RCDATA resource, empty when there is none.
std::span<const BYTE> ResourceBytes(HINSTANCE instance, int resourceId);

// The picture at another size, each pixel averaged over the area it covers.
std::optional<DecodedPicture> Resized(const DecodedPicture& picture, int width, int height);

void DrawPicture(HDC dc, const DecodedPicture& picture, int x, int y);

}  // namespace stowlark
