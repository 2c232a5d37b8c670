// SPDX-License-Identifier: LicenseRef-Quillmark
// The blur fed its rows as they arrive. Its parts are columns rather than bands of rows: the
// rows come from the top, and every part must be able to run as soon as they do. A part's
// stream reads its columns and as many more on either side as the row passes reach, so its
// own columns come out as in a blur of whole rows; the streams live from one advance to
// the next.
#include <algorithm>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

#include "engine/blur_stream.h"
#include "engine/box_blur.h"
#include "engine/jobs.h"

namespace qm {
namespace {

class Part {
 public:
  explicit Part(blur::Columns own) : own_(own) {}
  virtual ~Part() = default;
  virtual void run(std::int32_t readable, const BlurredRowSink& sink) = 0;
  virtual std::int32_t next() const = 0;
  blur::Columns own() const { return own_; }

 private:
  blur::Columns own_;
};

template <class Format>
class StreamPart final : public Part {
 public:
  StreamPart(const BlurredRowReader& reader, blur::Columns in, blur::Columns out, std::int32_t height,
             const blur::BlurPlan& plan)
      : Part(out), stream_(reader, in, out, height, plan), height_(height) {
    stream_.start(0);
  }
  void run(std::int32_t readable, const BlurredRowSink& sink) override { stream_.run(height_, readable, sink); }
  std::int32_t next() const override { return stream_.next(); }

 private:
  blur::BlurStream<Format> stream_;
  std::int32_t height_;
};

// Columns of at least this many pixels a part, and at least four times what a part reads
// beside its own, so the extra reading stays small.
constexpr std::int32_t kNarrowestPart = 256;

}  // namespace

struct BlurFeed::Parts {
  std::vector<std::unique_ptr<Part>> parts;
  BlurredRowSink sink;
  std::int32_t height = 0;
  std::int32_t readable = 0;
  BlurColumnWork first;
};

namespace {

void runPart(JobTask& task) {
  auto& parts = *static_cast<BlurFeed::Parts*>(task.context);
  Part& part = *parts.parts[std::size_t(task.layout.taskIndex)];
  if (parts.first.work) parts.first.work(parts.first.context, part.own().left, part.own().right);
  part.run(parts.readable, parts.sink);
}

}  // namespace

BlurFeed::BlurFeed(bool sixteenBit, std::int32_t width, std::int32_t height, float size,
                   const BlurredRowReader& reader, const BlurredRowSink& sink)
    : parts_(nullptr) {
  if (width <= 0 || height <= 0 || !reader.read || !sink.take) return;
  try {
    auto parts = std::make_unique<Parts>();
    parts->sink = sink;
    parts->height = height;
    const blur::BlurPlan plan = blur::planFor(size);
    const std::int32_t beside = blur::reachAlong(plan);
    const std::int32_t count =
        std::clamp(width / std::max(kNarrowestPart, 4 * beside), 1, workerThreadLimit());
    for (std::int32_t i = 0; i < count; ++i) {
      const blur::Columns out{std::int32_t(std::int64_t(width) * i / count),
                              std::int32_t(std::int64_t(width) * (i + 1) / count)};
      const blur::Columns in{std::max(0, out.left - beside), std::min(width, out.right + beside)};
      blur::inFormat(sixteenBit, plan, [&](const auto* format) {
        using Format = std::remove_cvref_t<decltype(*format)>;
        parts->parts.push_back(std::make_unique<StreamPart<Format>>(reader, in, out, height, plan));
      });
    }
    parts_ = parts.release();
  } catch (const std::bad_alloc&) {
    parts_ = nullptr;
  }
}

BlurFeed::~BlurFeed() { delete parts_; }

bool BlurFeed::ready() const { return parts_ != nullptr; }

bool BlurFeed::advance(std::int32_t readable, const BlurColumnWork& first) {
  if (!parts_) return false;
  parts_->readable = std::clamp(readable, 0, parts_->height);
  parts_->first = first;
  JobEnvironment environment;
  environment.context = parts_;
  // One task a part: a tile each along one row of tiles.
  environment.rect = {0, 0, 1, std::int32_t(parts_->parts.size()) * kJobTileSize};
  environment.work = runPart;
  return runJob(tileMode, environment).reason == kJobNotStopped;
}

bool BlurFeed::finished() const {
  return parts_ && std::all_of(parts_->parts.begin(), parts_->parts.end(),
                               [&](const auto& part) { return part->next() >= parts_->height; });
}

std::int32_t BlurFeed::rowsBehind(float size) { return blur::reachDown(blur::planFor(size)) + 1; }

}  // namespace qm
