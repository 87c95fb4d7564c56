#include "app/win32/Pictures.h"

// after windows.h, which it needs
#include <olectl.h>

#include <cstdint>
#include <cstring>
#include <iterator>

#include "app/Controls.h"
#include "app/Resize.h"
#include "app/win32/ResourceIds.h"
#include "platform/win32/SystemLibrary.h"

namespace stowlark {
namespace {

using win32::ComPtr;

// Draws the picture over a ground of one colour, as OLE draws it with its mask.
std::optional<DecodedPicture> RenderOn(IPicture& picture, int width, int height, BYTE ground,
                                       std::uint32_t*& pixels) {
  auto canvas = BlankPicture(width, height, pixels);
  if (!canvas) return std::nullopt;
  std::memset(pixels, ground, static_cast<std::size_t>(width) * height * 4);
  OLE_XSIZE_HIMETRIC extentX = 0;
  OLE_YSIZE_HIMETRIC extentY = 0;
  picture.get_Width(&extentX);
  picture.get_Height(&extentY);
  const win32::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  const win32::Selection selected(dc.Get(), canvas->bitmap.Get());
  if (FAILED(
          picture.Render(dc.Get(), 0, 0, width, height, 0, extentY, extentX, -extentY, nullptr))) {
    return std::nullopt;
  }
  GdiFlush();
  return canvas;
}

// The pictures are GIF or JPEG. Naming the decoder spares the system a
// search through every decoder it knows, most of the first picture's time.
bool IsGif(std::span<const BYTE> data) {
  return data.size() >= 4 && std::memcmp(data.data(), "GIF8", 4) == 0;
}

}  // namespace

PictureDecoder::PictureDecoder() {
  // Where this fails, as on a Windows XP without WIC, OLE decodes instead.
  CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                   IID_PPV_ARGS(factory_.Put()));
}

std::optional<DecodedPicture> PictureDecoder::Decode(HINSTANCE instance, int resourceId) const {
  const auto data = ResourceBytes(instance, resourceId);
  if (data.empty()) return std::nullopt;
  if (auto picture = DecodeWithWic(data)) return picture;
  return DecodeWithOle(data);
}

std::optional<DecodedPicture> PictureDecoder::DecodeWithWic(std::span<const BYTE> data) const {
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  UINT width = 0, height = 0;
  if (!factory_ || FAILED(factory_->CreateStream(stream.Put())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data.data()),
                                          static_cast<DWORD>(data.size()))) ||
      FAILED(CoCreateInstance(IsGif(data) ? CLSID_WICGifDecoder : CLSID_WICJpegDecoder, nullptr,
                              CLSCTX_INPROC_SERVER, IID_PPV_ARGS(decoder.Put()))) ||
      FAILED(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)) ||
      FAILED(decoder->GetFrame(0, frame.Put())) ||
      FAILED(factory_->CreateFormatConverter(converter.Put())) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom)) ||
      FAILED(converter->GetSize(&width, &height))) {
    return std::nullopt;
  }
  std::uint32_t* pixels = nullptr;
  auto picture = BlankPicture(static_cast<int>(width), static_cast<int>(height), pixels);
  const UINT stride = width * 4;
  if (!picture || FAILED(converter->CopyPixels(nullptr, stride, stride * height,
                                               reinterpret_cast<BYTE*>(pixels)))) {
    return std::nullopt;
  }
  return picture;
}

// OLE draws a transparent GIF through a mask, so the picture is drawn twice,
// on black and on white: where the two differ, it is transparent.
std::optional<DecodedPicture> PictureDecoder::DecodeWithOle(std::span<const BYTE> data) {
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, data.size());
  if (memory == nullptr) return std::nullopt;
  std::memcpy(GlobalLock(memory), data.data(), data.size());
  GlobalUnlock(memory);
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, stream.Put()))) {
    GlobalFree(memory);
    return std::nullopt;
  }
  // Looked up only here, so that where WIC serves, OLE's automation library
  // is never loaded.
  using Function = decltype(&::OleLoadPicture);
  const auto load = win32::SystemFunction<Function>(L"oleaut32.dll", "OleLoadPicture");
  ComPtr<IPicture> picture;
  OLE_HANDLE handle = 0;
  BITMAP size{};
  if (load == nullptr ||
      FAILED(load(stream.Get(), static_cast<LONG>(data.size()), FALSE, IID_IPicture,
                  reinterpret_cast<void**>(picture.Put()))) ||
      FAILED(picture->get_Handle(&handle)) ||
      GetObjectW(reinterpret_cast<HGDIOBJ>(static_cast<UINT_PTR>(handle)), sizeof(size), &size) ==
          0) {
    return std::nullopt;
  }
  std::uint32_t* onBlack = nullptr;
  std::uint32_t* onWhite = nullptr;
  auto result = RenderOn(*picture.Get(), size.bmWidth, size.bmHeight, 0x00, onBlack);
  const auto white = RenderOn(*picture.Get(), size.bmWidth, size.bmHeight, 0xFF, onWhite);
  if (!result || !white) return std::nullopt;
  for (int i = 0; i < size.bmWidth * size.bmHeight; ++i) {
    onBlack[i] = onBlack[i] == onWhite[i] ? onBlack[i] | 0xFF000000u : 0;
  }
  return result;
}

std::optional<DecodedPicture> BlankPicture(int width, int height, std::uint32_t*& pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  win32::UniqueGdi bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return std::nullopt;
  pixels = static_cast<std::uint32_t*>(bits);
  return DecodedPicture{std::move(bitmap), width, height};
}

int ResourceFor(int id, int density) {
  int step = 0;
  while (step + 1 < static_cast<int>(std::size(kPictureDensities)) &&
         kPictureDensities[step] < density) {
    ++step;
  }
  return id + DENSITY_ID_STEP * step;
}

std::span<const BYTE> ResourceBytes(HINSTANCE instance, int resourceId) {
  const HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(resourceId), RT_RCDATA);
  const HGLOBAL loaded = found != nullptr ? LoadResource(instance, found) : nullptr;
  if (loaded == nullptr) return {};
  return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(instance, found)};
}

std::optional<DecodedPicture> Resized(const DecodedPicture& picture, int width, int height) {
  BITMAP info{};
  GetObjectW(picture.bitmap.Get(), sizeof(info), &info);
  const auto* bits = static_cast<const std::uint32_t*>(info.bmBits);
  const auto pixels = ResizeByArea({bits, static_cast<std::size_t>(picture.width) * picture.height},
                                   picture.width, picture.height, width, height);
  std::uint32_t* target = nullptr;
  auto resized = BlankPicture(width, height, target);
  if (resized) std::memcpy(target, pixels.data(), pixels.size() * sizeof(pixels[0]));
  return resized;
}

void DrawPicture(HDC dc, const DecodedPicture& picture, int x, int y) {
  const win32::UniqueMemoryDc source(CreateCompatibleDC(dc));
  const win32::Selection selected(source.Get(), picture.bitmap.Get());
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(dc, x, y, picture.width, picture.height, source.Get(), 0, 0, picture.width,
                picture.height, blend);
}

}  // namespace stowlark
