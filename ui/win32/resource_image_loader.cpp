// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/win32/resource_image_loader.h"

#include <wincodec.h>

#include <cstdint>
#include <vector>

#include "engine/image_buffer.h"
#include "engine/resample.h"
#include "ui/win32/bgra_bitmaps.h"
#include "ui/win32/com_session.h"
#include "ui/win32/resource_picture.h"

namespace qm::ui {
namespace {

// Not in every SDK's headers; the system has understood it since Windows 10.
constexpr auto kHighQualityCubic = WICBitmapInterpolationMode(4);
constexpr HRESULT kArithmeticOverflow = HRESULT(0x80070216);
// Our own reduction reads a slightly finer level than the exact one: sharper, still smooth.
constexpr float kOwnReductionBias = 0.1f;

// The system's own answer, which no compatibility setting of the program bends.
bool windows10OrLater() {
  using VersionQuery = LONG(WINAPI*)(OSVERSIONINFOW*);
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  const auto query =
      ntdll ? reinterpret_cast<VersionQuery>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
            : nullptr;
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  return query && query(&version) == 0 && version.dwMajorVersion >= 10;
}

struct Decoded {
  UINT width = 0;
  UINT height = 0;
  std::vector<std::uint8_t> pixels;  // BGRA
};

HRESULT copyBgra(IWICBitmapSource* source, Decoded& out) {
  WICPixelFormatGUID format{};
  HRESULT result = source->GetPixelFormat(&format);
  if (FAILED(result)) return result;
  if (format != GUID_WICPixelFormat32bppBGRA) return E_FAIL;
  result = source->GetSize(&out.width, &out.height);
  if (FAILED(result)) return result;
  const std::uint64_t stride = std::uint64_t(out.width) * 4;
  const std::uint64_t bytes = stride * out.height;
  if (stride > 0xFFFFFFFFu || bytes > 0xFFFFFFFFu) return kArithmeticOverflow;
  out.pixels.resize(std::size_t(bytes));
  return source->CopyPixels(nullptr, UINT(stride), UINT(bytes), out.pixels.data());
}

// Our own reduction, for systems whose scaler only knows the coarse modes.
bool reduce(Decoded& picture, int width, int height) {
  ImageBuffer source;
  ImageBuffer target;
  initImageBuffer(source, nullptr);
  initImageBuffer(target, nullptr);
  bool done = configureImageBuffer(&source, std::int32_t(picture.width), std::int32_t(picture.height), kRgba8, 0,
                                   false) &&
              fillFromPixels32(picture.pixels.data(), source) &&
              configureImageBuffer(&target, width, height, kRgba8, 0, false) &&
              resizeImage(&source, &target, levelRect(&source, 0), levelRect(&target, 0), kOwnReductionBias);
  if (done) {
    picture.pixels = bgraPixelsOf(target);
    picture.width = UINT(width);
    picture.height = UINT(height);
    done = !picture.pixels.empty();
  }
  releasePixels(source);
  releasePixels(target);
  return done;
}

HRESULT decodeScaled(const BYTE* data, DWORD size, int width, int height, Decoded& out) {
  ComReference<IWICImagingFactory> factory;
  HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    reinterpret_cast<void**>(factory.out()));
  if (FAILED(result)) return result;
  ComReference<IWICStream> stream;
  if (FAILED(result = factory->CreateStream(stream.out()))) return result;
  // The stream only reads from the resource, which the system keeps mapped.
  if (FAILED(result = stream->InitializeFromMemory(const_cast<BYTE*>(data), size))) return result;
  ComReference<IWICBitmapDecoder> decoder;
  result = factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnLoad, decoder.out());
  if (FAILED(result)) return result;
  ComReference<IWICBitmapFrameDecode> frame;
  if (FAILED(result = decoder->GetFrame(0, frame.out()))) return result;
  UINT ownWidth = 0;
  UINT ownHeight = 0;
  if (FAILED(result = frame->GetSize(&ownWidth, &ownHeight))) return result;
  if (width <= 0 || height <= 0) {
    width = int(ownWidth);
    height = int(ownHeight);
  }
  UINT scaledWidth = UINT(width);
  UINT scaledHeight = UINT(height);
  WICBitmapInterpolationMode mode = WICBitmapInterpolationModeLinear;
  bool reduceOurselves = false;
  if (scaledWidth < ownWidth || scaledHeight < ownHeight) {
    if (windows10OrLater()) {
      mode = kHighQualityCubic;
    } else {
      scaledWidth = ownWidth;
      scaledHeight = ownHeight;
      reduceOurselves = true;
    }
  }
  ComReference<IWICBitmapScaler> scaler;
  if (FAILED(result = factory->CreateBitmapScaler(scaler.out()))) return result;
  if (FAILED(result = scaler->Initialize(frame.get(), scaledWidth, scaledHeight, mode))) return result;
  ComReference<IWICFormatConverter> converter;
  if (FAILED(result = factory->CreateFormatConverter(converter.out()))) return result;
  result = converter->Initialize(scaler.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                 WICBitmapPaletteTypeCustom);
  if (FAILED(result)) return result;
  if (FAILED(result = copyBgra(converter.get(), out))) return result;
  if (reduceOurselves && !reduce(out, width, height)) return E_OUTOFMEMORY;
  return S_OK;
}

}  // namespace

HBITMAP LoadResourceImage(int id, const char* type, HMODULE module, int width, int height) {
  ComSession com;
  if (!com.usable()) return nullptr;
  const BYTE* data = nullptr;
  DWORD size = 0;
  if (!resourceBytes(module, id, type, data, size)) return nullptr;
  Decoded picture;
  if (FAILED(decodeScaled(data, size, width, height, picture))) return nullptr;
  return createBgraBitmap(int(picture.width), int(picture.height), picture.pixels.data());
}

}  // namespace qm::ui
