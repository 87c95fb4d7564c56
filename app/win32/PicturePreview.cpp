#include "app/win32/PicturePreview.h"

// after windows.h, which they need
#include <gdiplus.h>
#include <objidl.h>

#include <cstring>

#include "platform/win32/SystemLibrary.h"

namespace stowlark {
namespace {

namespace flat = Gdiplus::DllExports;

template <typename Function>
Function GdiPlusFunction(const char* name) {
  return win32::SystemFunction<Function>(L"gdiplus.dll", name);
}

// The stream reads a copy: GDI+ may read its source for as long as the
// bitmap lives.
win32::ComPtr<IStream> StreamOver(std::span<const BYTE> data) {
  win32::ComPtr<IStream> stream;
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, data.size());
  if (memory == nullptr) return stream;
  std::memcpy(GlobalLock(memory), data.data(), data.size());
  GlobalUnlock(memory);
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, stream.Put()))) GlobalFree(memory);
  return stream;
}

// Copies the bitmap's pixels, premultiplied as DrawPicture blends them,
// straight into a section of the same size.
std::optional<DecodedPicture> Copied(Gdiplus::GpBitmap* bitmap) {
  const auto width = GdiPlusFunction<decltype(&flat::GdipGetImageWidth)>("GdipGetImageWidth");
  const auto height = GdiPlusFunction<decltype(&flat::GdipGetImageHeight)>("GdipGetImageHeight");
  const auto lock = GdiPlusFunction<decltype(&flat::GdipBitmapLockBits)>("GdipBitmapLockBits");
  const auto unlock =
      GdiPlusFunction<decltype(&flat::GdipBitmapUnlockBits)>("GdipBitmapUnlockBits");
  UINT columns = 0, rows = 0;
  if (!width || !height || !lock || !unlock || width(bitmap, &columns) != Gdiplus::Ok ||
      height(bitmap, &rows) != Gdiplus::Ok) {
    return std::nullopt;
  }
  std::uint32_t* pixels = nullptr;
  auto picture = BlankPicture(static_cast<int>(columns), static_cast<int>(rows), pixels);
  if (!picture) return std::nullopt;
  const Gdiplus::GpRect all(0, 0, picture->width, picture->height);
  Gdiplus::BitmapData data{columns, rows, static_cast<INT>(columns * 4), PixelFormat32bppPARGB,
                           pixels,  0};
  if (lock(bitmap, &all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
           PixelFormat32bppPARGB, &data) != Gdiplus::Ok) {
    return std::nullopt;
  }
  unlock(bitmap, &data);
  return picture;
}

}  // namespace

GdiPlus::GdiPlus() {
  const auto startup = GdiPlusFunction<decltype(&Gdiplus::GdiplusStartup)>("GdiplusStartup");
  const Gdiplus::GdiplusStartupInput input;
  if (startup == nullptr || startup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

GdiPlus::~GdiPlus() {
  if (token_ != 0) {
    GdiPlusFunction<decltype(&Gdiplus::GdiplusShutdown)>("GdiplusShutdown")(token_);
  }
}

std::optional<DecodedPicture> GdiPlus::Decode(std::span<const BYTE> data) const {
  const auto create =
      GdiPlusFunction<decltype(&flat::GdipCreateBitmapFromStream)>("GdipCreateBitmapFromStream");
  const auto dispose = GdiPlusFunction<decltype(&flat::GdipDisposeImage)>("GdipDisposeImage");
  const auto stream = StreamOver(data);
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (token_ == 0 || !stream || !create || !dispose ||
      create(stream.Get(), &bitmap) != Gdiplus::Ok) {
    return std::nullopt;
  }
  auto picture = Copied(bitmap);
  dispose(bitmap);
  return picture;
}

std::optional<PicturePreview> PreviewOf(const GdiPlus& gdiPlus, std::span<const BYTE> file,
                                        SIZE box) {
  const auto info = PictureIn(file);
  if (!info) return std::nullopt;
  // OLE reads no PNG; the other three it reads on every Windows.
  auto whole = gdiPlus.Decode(file);
  if (!whole && info->kind != PictureKind::Png) whole = PictureDecoder::DecodeWithOle(file);
  if (!whole) return std::nullopt;
  const auto shown = FitInside({whole->width, whole->height},
                               {static_cast<int>(box.cx), static_cast<int>(box.cy)});
  if (shown.width == 0) return std::nullopt;
  if (shown.width == whole->width && shown.height == whole->height) {
    return PicturePreview{*info, std::move(*whole)};
  }
  auto scaled = Resized(*whole, shown.width, shown.height);
  if (!scaled) return std::nullopt;
  return PicturePreview{*info, std::move(*scaled)};
}

void DrawPreview(HDC dc, const PicturePreview& preview, const RECT& box) {
  DrawPicture(dc, preview.picture, (box.left + box.right - preview.picture.width) / 2,
              (box.top + box.bottom - preview.picture.height) / 2);
}

}  // namespace stowlark
