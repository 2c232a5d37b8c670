// SPDX-License-Identifier: LicenseRef-Quillmark
// Any bytes as a preset file, read in both modes with a thumbnail to take a picture. Beyond
// not crashing: a load leaves every user value in its range, and a read for the picture
// alone leaves the settings exactly as they were.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "settings/preset_file.h"
#include "settings/user_value_table.h"

namespace {

// Every input rewrites the file: memory-backed where the system has such a folder, since
// on a disk truncating a file costs far more than reading it.
std::string baseFolder() {
  const char* base = std::getenv("TMPDIR");
  if (base && *base) return base;
  std::error_code ignored;
  return std::filesystem::is_directory("/dev/shm", ignored) ? "/dev/shm" : "/tmp";
}

// One folder for the whole run, removed when the fuzzer ends.
class Scratch {
 public:
  Scratch() {
    std::string pattern = baseFolder() + "/quillmark-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    folder_ = pattern;
    qm::initImageBuffer(thumbnailImage_, nullptr);
    if (!qm::configureImageBuffer(&thumbnailImage_, qm::kPresetPictureSide, qm::kPresetPictureSide, qm::kRgba8, 0,
                                  false))
      std::abort();
  }
  ~Scratch() {
    qm::releasePixels(thumbnailImage_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::string path() const { return folder_ + "/input"; }
  qm::PresetThumbnail thumbnail() { return {&thumbnailImage_, 0, 0}; }

 private:
  std::string folder_;
  qm::ImageBuffer thumbnailImage_;
};

void writeInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  writeInput(scratch.path(), data, size);
  qm::PresetThumbnail thumbnail = scratch.thumbnail();

  qm::InkSettings settings{};
  qm::resetForRun(settings);
  const qm::InkSettings before = settings;
  qm::readPreset(scratch.path(), settings, qm::PresetReadMode::PictureOnly, &thumbnail);
  if (std::memcmp(&settings, &before, sizeof settings) != 0) std::abort();

  qm::readPreset(scratch.path(), settings, qm::PresetReadMode::Load, &thumbnail);
  for (const qm::UserValueEntry& entry : qm::userValueTable()) {
    const std::int32_t value = settings.look.*entry.field;
    if (value < entry.minimum || value > entry.maximum) std::abort();
  }
  if (thumbnail.width < 0 || thumbnail.width > qm::kPresetPictureSide || thumbnail.height < 0 ||
      thumbnail.height > qm::kPresetPictureSide)
    std::abort();
  return 0;
}
