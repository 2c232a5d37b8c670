// SPDX-License-Identifier: LicenseRef-Quillmark
// TIFF through libtiff.
//
// Read: 8- and 16-bit unsigned and 32-bit IEEE float samples; grey (MINISBLACK, or
// MINISWHITE inverted into grey) and RGB, with or without one alpha extra sample
// (associated or unassociated alpha alike; associated colour is kept as stored, not
// divided by alpha); contiguous or separate planes; strips or tiles. Only the first image
// of a multi-page file is read. Extra samples that are not one alpha make a
// "multichannel" image: colorChannels = samples per pixel, no alpha (the plug-in refuses
// it). Grey with exactly 3 samples is refused, since 3 colour channels would mean RGB.
// Refused with the reason named: palette, CMYK, YCbCr (JPEG), Lab and other photometric
// interpretations, and every other sample depth or format.
//
// Written: the same depths, grey or RGB, alpha as EXTRASAMPLE_UNASSALPHA, other channel
// counts with their extra channels as EXTRASAMPLE_UNSPECIFIED (RGB photometric from 4
// channels up, grey below); deflate with a predictor. A multichannel image with
// alpha is written as its channels plus alpha, and reads back as multichannel without
// alpha; one of 2 channels plus alpha is refused (it would read back as 3 channels).
//
// libtiff's messages go to process-wide handlers: while a file is read or written here,
// ours capture them instead of printing. Not thread-safe, like the rest of the host's
// image files: one image at a time.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/raster_image.h"

namespace qm::cli::detail {

namespace {

// libtiff tells of trouble through two process-wide handlers, one for errors and one for
// warnings, and reads on where it can. While it reads the directory it skips any tag it
// cannot read: with a warning, or with an error for a private tag of a type it does not
// know. A skipped tag costs the pixels nothing unless it is one of those that shape them;
// any other error means the file cannot be read as it claims.
class TiffMessages {
 public:
  explicit TiffMessages(std::string fileName) : fileName_(std::move(fileName)), outer_(active_) {
    previousError_ = TIFFSetErrorHandler(onError);
    previousWarning_ = TIFFSetWarningHandler(onWarning);
    active_ = this;
  }
  ~TiffMessages() {
    TIFFSetErrorHandler(previousError_);
    TIFFSetWarningHandler(previousWarning_);
    active_ = outer_;
  }
  TiffMessages(const TiffMessages&) = delete;
  TiffMessages& operator=(const TiffMessages&) = delete;

  // Whether a message said that the pixels cannot be trusted.
  bool hasError() const { return failure_[0] != '\0'; }
  // The first such message, else the first other one, else fallback.
  std::string describe(const char* fallback) const {
    if (std::strstr(failure_, "Can not read TIFF directory") || std::strstr(failure_, "IO error"))
      return std::string("the file is truncated or corrupt (") + withoutFileName(failure_) + ")";
    if (failure_[0]) return withoutFileName(failure_);
    if (other_[0]) return std::string(fallback) + " (" + withoutFileName(other_) + ")";
    return fallback;
  }

 private:
  // libtiff starts most messages with the file's name, which our error line already has.
  std::string withoutFileName(const char* text) const {
    const std::string prefix = fileName_ + ": ";
    return std::strncmp(text, prefix.c_str(), prefix.size()) == 0 ? text + prefix.size() : text;
  }

  // A skipped tag is named in quotes ("Incompatible type for \"Predictor\"; tag ignored"); a
  // private tag libtiff cannot type "is not read from file", and means nothing to libtiff.
  static bool countsAgainstThePixels(bool isError, const char* text) {
    if (std::strstr(text, "is not read from file")) return false;
    if (!std::strstr(text, "tag ignored")) return isError;
    const char* name = std::strchr(text, '"');
    const char* end = name ? std::strchr(name + 1, '"') : nullptr;
    if (!end) return true;
    static const char* const kPixelTags[] = {
        "ImageWidth",          "ImageLength",  "BitsPerSample",   "Compression",  "PhotometricInterpretation",
        "FillOrder",           "StripOffsets", "SamplesPerPixel", "RowsPerStrip", "StripByteCounts",
        "PlanarConfiguration", "Predictor",    "TileWidth",       "TileLength",   "TileOffsets",
        "TileByteCounts",      "ExtraSamples", "SampleFormat",    "JPEGTables"};
    const std::string_view skipped(name + 1, std::size_t(end - name - 1));
    return std::any_of(std::begin(kPixelTags), std::end(kPixelTags), [&](const char* tag) { return skipped == tag; });
  }

  // Called from inside libtiff (C): fixed buffers, nothing that can throw.
  static void record(bool isError, const char* format, va_list args) {
    if (!active_) return;
    char text[sizeof failure_];
    std::vsnprintf(text, sizeof text, format, args);
    char* slot = countsAgainstThePixels(isError, text) ? active_->failure_ : active_->other_;
    if (!slot[0]) std::memcpy(slot, text, sizeof text);
  }
  static void onError(const char*, const char* format, va_list args) { record(true, format, args); }
  static void onWarning(const char*, const char* format, va_list args) { record(false, format, args); }

  static inline TiffMessages* active_ = nullptr;
  std::string fileName_;
  TiffMessages* outer_;
  TIFFErrorHandler previousError_ = nullptr;
  TIFFErrorHandler previousWarning_ = nullptr;
  char failure_[512] = {};
  char other_[512] = {};
};

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// How the samples are stored in the file.
struct Layout {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint16_t samples = 1;
  bool minIsWhite = false;
  bool separate = false;      // one plane per sample
  bool tiled = false;
  std::uint32_t rowsPerStrip = 0;
  std::uint32_t tileWidth = 0;
  std::uint32_t tileHeight = 0;
};

const char* photometricRefusal(std::uint16_t photometric) {
  switch (photometric) {
    case PHOTOMETRIC_PALETTE:
      return "indexed-colour (palette) TIFF is not supported; convert it to RGB or grey";
    case PHOTOMETRIC_SEPARATED:
      return "CMYK (separated) TIFF is not supported; convert it to RGB";
    case PHOTOMETRIC_YCBCR:
      return "YCbCr TIFF (as JPEG-compressed TIFFs store colour) is not supported; "
             "save it as uncompressed or deflate RGB";
    case PHOTOMETRIC_CIELAB:
    case PHOTOMETRIC_ICCLAB:
    case PHOTOMETRIC_ITULAB:
      return "Lab colour TIFF is not supported; convert it to RGB";
    case PHOTOMETRIC_MASK: return "transparency-mask TIFF is not supported";
    case PHOTOMETRIC_LOGL:
    case PHOTOMETRIC_LOGLUV: return "LogLuv TIFF is not supported; convert it to float RGB";
    default: return nullptr;
  }
}

const char* sampleFormatName(std::uint16_t format) {
  switch (format) {
    case SAMPLEFORMAT_UINT:
    case SAMPLEFORMAT_VOID: return "unsigned integer";
    case SAMPLEFORMAT_INT: return "signed integer";
    case SAMPLEFORMAT_IEEEFP: return "floating-point";
    default: return "complex";
  }
}

// How many times a codec can at most expand its data, which refuses a file far too small
// for its picture before anything is decoded; 0 where no such bound exists.
std::uint64_t maxExpansion(std::uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE: return 1;
    case COMPRESSION_PACKBITS: return 128;
    case COMPRESSION_LZW: return 4096;
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE: return 1100;
    default: return 0;
  }
}

bool describeTiff(TIFF* tif, std::uint64_t fileSize, Layout& layout, RasterImage& image,
                  std::string& error) {
  std::uint16_t photometric = 0, bits = 1, format = SAMPLEFORMAT_UINT;
  std::uint16_t planar = PLANARCONFIG_CONTIG, compression = COMPRESSION_NONE;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &layout.width) ||
      !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &layout.height)) {
    error = "corrupt TIFF: no image size";
    return false;
  }
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) {
    error = "corrupt TIFF: no photometric interpretation";
    return false;
  }
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);

  if (const char* refusal = photometricRefusal(photometric)) {
    error = refusal;
    return false;
  }
  int base = 0;
  if (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) base = 1;
  else if (photometric == PHOTOMETRIC_RGB) base = 3;
  else {
    error = "TIFF photometric interpretation " + std::to_string(photometric) + " is not supported";
    return false;
  }
  layout.minIsWhite = photometric == PHOTOMETRIC_MINISWHITE;

  const bool unsignedInt = format == SAMPLEFORMAT_UINT || format == SAMPLEFORMAT_VOID;
  if (unsignedInt && bits == 8) image.type = SampleType::UInt8;
  else if (unsignedInt && bits == 16) image.type = SampleType::UInt16;
  else if (format == SAMPLEFORMAT_IEEEFP && bits == 32) image.type = SampleType::Float32;
  else {
    error = std::to_string(bits) + "-bit " + sampleFormatName(format) +
            " TIFF samples are not supported (only 8- and 16-bit unsigned and 32-bit float)";
    return false;
  }
  if (!TIFFIsCODECConfigured(compression)) {
    error = "TIFF compression scheme " + std::to_string(compression) + " is not available";
    return false;
  }

  const int samples = layout.samples;
  if (samples < base) {
    error = (base == 3 ? "RGB" : "grey") + std::string(" TIFF with ") + std::to_string(samples) +
            " samples per pixel is corrupt";
    return false;
  }
  if (samples > kMaxImageChannels) {
    error = "TIFF with " + std::to_string(samples) + " samples per pixel is not supported (at most " +
            std::to_string(kMaxImageChannels) + ")";
    return false;
  }
  std::uint16_t extraCount = 0;
  std::uint16_t* extraTypes = nullptr;
  TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
  const bool oneAlpha = samples == base + 1 && extraCount == 1 && extraTypes &&
                        (extraTypes[0] == EXTRASAMPLE_ASSOCALPHA ||
                         extraTypes[0] == EXTRASAMPLE_UNASSALPHA);
  if (samples == base || oneAlpha) {
    image.colorChannels = base;
    image.hasAlpha = oneAlpha;
  } else if (base == 1 && samples == 3) {
    error = "grey TIFF with 3 samples per pixel is not supported (it would be taken for RGB)";
    return false;
  } else {
    image.colorChannels = samples;  // multichannel
    image.hasAlpha = false;
  }

  if (!checkImageSize(layout.width, layout.height, samples, image.type, error)) return false;
  image.width = std::int32_t(layout.width);
  image.height = std::int32_t(layout.height);
  const std::uint64_t decoded = std::uint64_t(image.rowBytes()) * layout.height;
  const std::uint64_t expansion = maxExpansion(compression);
  if (expansion != 0 && decoded / expansion > fileSize) {
    error = "the file is far too small for a TIFF of " + std::to_string(layout.width) + " x " +
            std::to_string(layout.height) + " pixels: it is truncated or corrupt";
    return false;
  }

  layout.separate = planar == PLANARCONFIG_SEPARATE && samples > 1;
  const std::uint64_t sampleBytes = std::uint64_t(bytesPerSample(image.type));
  const std::uint64_t unitSamples = layout.separate ? 1 : std::uint64_t(samples);
  if (std::uint64_t(TIFFScanlineSize64(tif)) != layout.width * unitSamples * sampleBytes) {
    error = "corrupt TIFF: unexpected row size";
    return false;
  }
  layout.tiled = TIFFIsTiled(tif) != 0;
  if (layout.tiled) {
    if (!TIFFGetField(tif, TIFFTAG_TILEWIDTH, &layout.tileWidth) ||
        !TIFFGetField(tif, TIFFTAG_TILELENGTH, &layout.tileHeight) || layout.tileWidth == 0 ||
        layout.tileHeight == 0) {
      error = "corrupt TIFF: bad tile size";
      return false;
    }
    // Each factor < 2^32: check the first product before the rest.
    const std::uint64_t tileSamples = std::uint64_t(layout.tileWidth) * layout.tileHeight;
    if (tileSamples > (std::uint64_t(1) << 30) ||
        tileSamples * unitSamples * sampleBytes > (std::uint64_t(1) << 30) ||
        std::uint64_t(TIFFTileSize64(tif)) != tileSamples * unitSamples * sampleBytes) {
      error = "corrupt TIFF: bad tile size " + std::to_string(layout.tileWidth) + " x " +
              std::to_string(layout.tileHeight);
      return false;
    }
  } else {
    std::uint32_t rows = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rows);
    layout.rowsPerStrip = rows == 0 || rows > layout.height ? layout.height : rows;
  }
  return true;
}

// Copies one plane's samples (rows x columns, packed) into the interleaved image.
void scatterPlane(const std::uint8_t* source, std::size_t sourceRowBytes, RasterImage& image,
                  std::uint32_t x0, std::uint32_t y0, std::uint32_t columns, std::uint32_t rows,
                  int plane) {
  const std::size_t sampleBytes = std::size_t(bytesPerSample(image.type));
  const std::size_t pixelBytes = sampleBytes * std::size_t(image.channels());
  for (std::uint32_t r = 0; r < rows; ++r) {
    const std::uint8_t* from = source + r * sourceRowBytes;
    std::uint8_t* to = image.pixels.data() + (y0 + r) * image.rowBytes() + x0 * pixelBytes +
                       std::size_t(plane) * sampleBytes;
    for (std::uint32_t x = 0; x < columns; ++x) {
      std::memcpy(to + x * pixelBytes, from + x * sampleBytes, sampleBytes);
    }
  }
}

bool readStrips(TIFF* tif, const Layout& layout, RasterImage& image) {
  const std::size_t sampleBytes = std::size_t(bytesPerSample(image.type));
  const std::size_t rowBytes = image.rowBytes();
  const std::size_t planeRowBytes = std::size_t(layout.width) * sampleBytes;
  std::vector<std::uint8_t> buffer;
  if (layout.separate) buffer.resize(planeRowBytes * layout.rowsPerStrip);
  const int planes = layout.separate ? layout.samples : 1;
  for (int plane = 0; plane < planes; ++plane) {
    for (std::uint64_t y = 0; y < layout.height; y += layout.rowsPerStrip) {
      const auto rows = std::uint32_t(std::min<std::uint64_t>(layout.rowsPerStrip, layout.height - y));
      const std::uint32_t strip = TIFFComputeStrip(tif, std::uint32_t(y), std::uint16_t(plane));
      if (!layout.separate) {
        // Contiguous strips have exactly the image's layout: decode in place.
        const tmsize_t want = tmsize_t(rows * rowBytes);
        if (TIFFReadEncodedStrip(tif, strip, image.pixels.data() + y * rowBytes, want) != want) {
          return false;
        }
      } else {
        const tmsize_t want = tmsize_t(rows * planeRowBytes);
        if (TIFFReadEncodedStrip(tif, strip, buffer.data(), want) != want) return false;
        scatterPlane(buffer.data(), planeRowBytes, image, 0, std::uint32_t(y), layout.width, rows, plane);
      }
    }
  }
  return true;
}

bool readTiles(TIFF* tif, const Layout& layout, RasterImage& image) {
  const std::size_t sampleBytes = std::size_t(bytesPerSample(image.type));
  const std::size_t unitBytes = sampleBytes * (layout.separate ? 1 : std::size_t(layout.samples));
  const std::size_t tileRowBytes = std::size_t(layout.tileWidth) * unitBytes;
  const tmsize_t tileBytes = tmsize_t(tileRowBytes * layout.tileHeight);
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(tileBytes));
  const int planes = layout.separate ? layout.samples : 1;
  for (int plane = 0; plane < planes; ++plane) {
    for (std::uint64_t y = 0; y < layout.height; y += layout.tileHeight) {
      for (std::uint64_t x = 0; x < layout.width; x += layout.tileWidth) {
        const std::uint32_t tile =
            TIFFComputeTile(tif, std::uint32_t(x), std::uint32_t(y), 0, std::uint16_t(plane));
        if (TIFFReadEncodedTile(tif, tile, buffer.data(), tileBytes) != tileBytes) return false;
        const auto columns = std::uint32_t(std::min<std::uint64_t>(layout.tileWidth, layout.width - x));
        const auto rows = std::uint32_t(std::min<std::uint64_t>(layout.tileHeight, layout.height - y));
        if (layout.separate) {
          scatterPlane(buffer.data(), tileRowBytes, image, std::uint32_t(x), std::uint32_t(y),
                       columns, rows, plane);
          continue;
        }
        for (std::uint32_t r = 0; r < rows; ++r) {
          std::memcpy(image.pixels.data() + (y + r) * image.rowBytes() + x * unitBytes,
                      buffer.data() + r * tileRowBytes, columns * unitBytes);
        }
      }
    }
  }
  return true;
}

// A file may claim far more pixels than it holds, and under codecs such as ZSTD, LZMA or
// LERC a few bytes can rightly hold a large flat picture, so no ratio of file size to
// picture size tells a lie from the truth. A picture larger than this is allocated only once
// the start of its data has decoded, which a tiny corrupt file cannot do: it costs a few
// megabytes, not the gigabytes it claims.
constexpr std::uint64_t kTrialBytes = std::uint64_t(4) << 20;

// Decodes the start of the first strip or tile, up to kTrialBytes of it, into a buffer of
// its own; true for a picture too small to need it.
bool startDecodes(TIFF* tif, const Layout& layout, const RasterImage& image) {
  if (std::uint64_t(image.rowBytes()) * layout.height <= kTrialBytes) return true;
  const std::uint64_t unitBytes =
      std::uint64_t(bytesPerSample(image.type)) * (layout.separate ? 1 : std::uint64_t(layout.samples));
  const std::uint64_t rowBytes = (layout.tiled ? layout.tileWidth : layout.width) * unitBytes;
  const std::uint64_t rows = layout.tiled ? layout.tileHeight : layout.rowsPerStrip;
  std::uint64_t bytes = std::min(rowBytes * rows, kTrialBytes);
  if (bytes >= rowBytes) bytes -= bytes % rowBytes;  // whole rows, as JPEG decodes them
  std::vector<std::uint8_t> trial(bytes);
  const tmsize_t got = layout.tiled ? TIFFReadEncodedTile(tif, 0, trial.data(), tmsize_t(bytes))
                                    : TIFFReadEncodedStrip(tif, 0, trial.data(), tmsize_t(bytes));
  return got == tmsize_t(bytes);
}

// MINISWHITE: 0 is white. Turn the first channel into ordinary grey.
void invertFirstChannel(RasterImage& image) {
  const std::size_t count = std::size_t(image.width) * std::size_t(image.height);
  const std::size_t stride = std::size_t(image.channels());
  std::uint8_t* bytes = image.pixels.data();
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t* at = bytes + i * stride * std::size_t(bytesPerSample(image.type));
    if (image.type == SampleType::UInt8) {
      *at = std::uint8_t(255 - *at);
    } else if (image.type == SampleType::UInt16) {
      std::uint16_t v;
      std::memcpy(&v, at, 2);
      v = std::uint16_t(65535 - v);
      std::memcpy(at, &v, 2);
    } else {
      float v;
      std::memcpy(&v, at, 4);
      v = 1.0f - v;
      std::memcpy(at, &v, 4);
    }
  }
}

}  // namespace

bool loadTiff(const std::string& path, std::uint64_t fileSize, RasterImage& image,
              std::string& error) {
  TiffMessages messages(path);
  // "m": no memory mapping, so a file shrinking under us is a read error, not a SIGBUS.
  TiffHandle tif(TIFFOpen(path.c_str(), "rm"));
  if (!tif) {
    error = "cannot read TIFF: " + messages.describe("bad header or directory");
    return false;
  }
  if (messages.hasError()) {
    error = "cannot read TIFF: " + messages.describe("bad directory");
    return false;
  }
  Layout layout;
  if (!describeTiff(tif.get(), fileSize, layout, image, error)) return false;
  if (!startDecodes(tif.get(), layout, image) || messages.hasError()) {
    error = "cannot read TIFF: " + messages.describe("bad image data");
    return false;
  }
  if (!allocatePixels(image, error)) return false;
  const bool read = layout.tiled ? readTiles(tif.get(), layout, image) : readStrips(tif.get(), layout, image);
  if (!read || messages.hasError()) {
    image.pixels.clear();
    error = "cannot read TIFF: " + messages.describe("bad image data");
    return false;
  }
  if (layout.minIsWhite) invertFirstChannel(image);
  return true;
}

// 1 is the fastest deflate level (libtiff's default is 6).
constexpr int kDeflateLevel = 1;

bool saveTiff(const std::string& path, const RasterImage& image, std::string& error) {
  const std::uint16_t samples = std::uint16_t(image.channels());
  const bool rgb = image.colorChannels >= 3;
  const int base = rgb ? 3 : 1;
  std::vector<std::uint16_t> extras(std::size_t(samples - base), EXTRASAMPLE_UNSPECIFIED);
  if (image.hasAlpha) extras.back() = EXTRASAMPLE_UNASSALPHA;
  const bool isFloat = image.type == SampleType::Float32;
  const std::uint16_t compression = TIFFIsCODECConfigured(COMPRESSION_ADOBE_DEFLATE)
                                        ? COMPRESSION_ADOBE_DEFLATE
                                        : COMPRESSION_LZW;
  const std::size_t rowBytes = image.rowBytes();
  const std::uint32_t height = std::uint32_t(image.height);
  const std::uint32_t rowsPerStrip =
      std::clamp<std::uint32_t>(std::uint32_t(std::min<std::size_t>((std::size_t(1) << 18) / rowBytes, height)), 1, height);
  // Classic TIFF addresses 4 GiB; leave room for compression that does not shrink.
  const bool bigTiff = std::uint64_t(rowBytes) * height > (std::uint64_t(3) << 30);

  TiffMessages messages(path);
  TiffHandle tif(TIFFOpen(path.c_str(), bigTiff ? "w8" : "w"));
  if (!tif) {
    error = "cannot write TIFF: " + messages.describe("cannot open the file");
    return false;
  }
  TIFF* t = tif.get();
  bool ok = TIFFSetField(t, TIFFTAG_IMAGEWIDTH, std::uint32_t(image.width)) &&
            TIFFSetField(t, TIFFTAG_IMAGELENGTH, height) &&
            TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples) &&
            TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, std::uint16_t(bytesPerSample(image.type) * 8)) &&
            TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, isFloat ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT) &&
            TIFFSetField(t, TIFFTAG_PHOTOMETRIC, rgb ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK) &&
            TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
            TIFFSetField(t, TIFFTAG_COMPRESSION, compression) &&
            TIFFSetField(t, TIFFTAG_PREDICTOR, isFloat ? PREDICTOR_FLOATINGPOINT : PREDICTOR_HORIZONTAL) &&
            TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rowsPerStrip) &&
            TIFFSetField(t, TIFFTAG_SOFTWARE, "Quillmark");
  // Deflate at its fastest: ink pictures shrink to almost nothing at any level, and the
  // default level took longer than the whole render of a float picture.
  if (ok && compression == COMPRESSION_ADOBE_DEFLATE) ok = TIFFSetField(t, TIFFTAG_ZIPQUALITY, kDeflateLevel);
  if (ok && !extras.empty()) {
    ok = TIFFSetField(t, TIFFTAG_EXTRASAMPLES, std::uint16_t(extras.size()), extras.data());
  }
  // libtiff may work on the buffer it is given: hand it a copy of each strip.
  std::vector<std::uint8_t> strip(ok ? rowBytes * rowsPerStrip : 0);
  for (std::uint32_t y = 0; ok && y < height; y += rowsPerStrip) {
    const std::size_t bytes = std::size_t(std::min(rowsPerStrip, height - y)) * rowBytes;
    std::memcpy(strip.data(), image.pixels.data() + std::size_t(y) * rowBytes, bytes);
    ok = TIFFWriteEncodedStrip(t, TIFFComputeStrip(t, y, 0), strip.data(), tmsize_t(bytes)) >= 0;
  }
  ok = ok && TIFFWriteDirectory(t);
  TIFFClose(tif.release());  // flushes; its failures arrive as messages
  if (!ok || messages.hasError()) {
    error = "cannot write TIFF: " + messages.describe("write failed");
    return false;
  }
  return true;
}

}  // namespace qm::cli::detail
