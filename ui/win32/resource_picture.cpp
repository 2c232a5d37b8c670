// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/win32/resource_picture.h"

#include <wincodec.h>

#include <algorithm>

#include "ui/win32/com_session.h"

namespace qm::ui {
namespace {

bool decode(const BYTE* data, DWORD size, BgraPicture& picture) {
  ComReference<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.out()))))
    return false;
  ComReference<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.out()))) return false;
  // The stream only reads from the resource, which the system keeps mapped.
  if (FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data), size))) return false;
  ComReference<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.out())))
    return false;
  ComReference<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.out()))) return false;
  ComReference<IWICBitmapSource> converted;
  if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.get(), converted.out()))) return false;
  UINT width = 0;
  UINT height = 0;
  if (FAILED(converted->GetSize(&width, &height)) || width == 0 || height == 0) return false;
  std::vector<std::uint8_t> pixels(std::size_t(width) * height * 4);
  if (FAILED(converted->CopyPixels(nullptr, width * 4, UINT(pixels.size()), pixels.data()))) return false;
  picture = {int(width), int(height), std::move(pixels)};
  return true;
}

}  // namespace

bool resourceBytes(HMODULE module, int id, const char* type, const BYTE*& data, DWORD& size) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module, found);
  size = SizeofResource(module, found);
  data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  return data && size > 0;
}

bool loadJpegResource(HMODULE module, int id, BgraPicture& picture) {
  picture = BgraPicture{};
  const BYTE* data = nullptr;
  DWORD size = 0;
  if (!resourceBytes(module, id, "JPEG", data, size)) return false;
  ComSession com;
  return com.usable() && decode(data, size, picture);
}

void drawPicture(HDC dc, const RECT& area, const BgraPicture& picture) {
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  if (picture.pixels.empty()) return;
  const int areaWidth = area.right - area.left;
  const int areaHeight = area.bottom - area.top;
  // Never enlarged: a stretched picture shows its pixels; a smaller area shrinks it evenly.
  const double fit = std::min({1.0, double(areaWidth) / picture.width, double(areaHeight) / picture.height});
  const int width = std::max(1, int(picture.width * fit));
  const int height = std::max(1, int(picture.height * fit));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;  // rows top to bottom
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchDIBits(dc, area.left + (areaWidth - width) / 2, area.top + (areaHeight - height) / 2, width, height, 0, 0,
                picture.width, picture.height, picture.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace qm::ui
