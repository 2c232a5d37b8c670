// SPDX-License-Identifier: LicenseRef-Quillmark
#include "render/render_image.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <new>
#include <vector>

#include "engine/jobs.h"
#include "platform/random_generator.h"
#include "render/blend_stage.h"
#include "render/ink_samples.h"
#include "render/ink_levels.h"
#include "render/source_pixels.h"
#include "render/spot_tile.h"
#include "render/style_registry.h"
#include "render/style_tables.h"
#include "render/tone.h"
#include "render/tone_images.h"
#include "render/working_set_record.h"

namespace qm {
namespace {

// Everything the job's hooks share; the scratch rows belong to the calling thread.
struct RenderRun {
  RenderState* state;
  const RenderOutput* output;
  BlendStage stage;
  SourceMapping mapping;
  const StyleEntry* style;
  std::vector<Colour> sourceRow;
  std::vector<Colour> resultRow;
  std::vector<std::uint8_t> selectionRow;
  // Band mode blends with the source on the workers, into the band's colours; row mode,
  // and every row that needs no source, blends on the calling thread, where it overlaps
  // the next row's rendering instead.
  bool blendOnWorker = false;
  // Row mode fills a row's tone on the calling thread as it hands the row out, rows ahead
  // of the one worker, which then has only the style to run.
  bool toneOnCaller = false;
  // Rows that follow from their ink alone go to the output straight from it.
  bool storesInk = false;
  InkSamples inkSamples;
  bool outputFailed = false;
  StageClock toneRowsTime, styleTime, blendTime, deliveryTime;
};

RenderRun& runOf(const JobTask& task) { return *static_cast<RenderRun*>(task.context); }

std::size_t cellCountOf(const ImageRect& rect) {
  return std::size_t(rect.right - rect.left) * std::size_t(rect.bottom - rect.top);
}

// The task's scratch memory: one cell per pixel of its rectangle, then, when the worker
// blends, one colour per pixel.
Band bandOf(const JobTask& task) {
  auto* cells = static_cast<BandCell*>(task.scratch);
  const ImageRect& rect = task.layout.taskRect;
  Colour* colours = runOf(task).blendOnWorker ? reinterpret_cast<Colour*>(cells + cellCountOf(rect)) : nullptr;
  return {cells, rect, colours};
}

// Worker thread, band mode: the row's blend before the selection, while its cells are still
// in the cache, so that the bands blend side by side; the calling thread is left the
// selection and the store.
void blendRowOnWorker(const RenderRun& run, StyleRowContext& context, std::vector<Colour>& source) {
  const std::int32_t count = context.cellCount;
  if (count == 0) return;
  source.resize(std::size_t(count));
  readSourceRow(run.mapping, context.cellLeft, context.row, count, source.data());
  blendRow(run.stage, context.rowCells, source.data(), nullptr, count, context.cellLeft, context.row,
           bandColours(*context.band, context.row));
}

// A context for the rows of the task's band, all its columns. The arabesque carry is the
// worker's to read: the row before may still be writing it while the calling thread fills
// this row's tone.
StyleRowContext rowContext(const RenderRun& run, const ImageRect& rect, const Band& band) {
  StyleRowContext context{};
  context.state = run.state;
  context.band = &band;
  context.first = rect.left;
  context.last = rect.right - 1;
  context.direction = 1;
  return context;
}

// Calling thread, row mode: the tone of a row about to be handed out.
void loadToneRows(JobTask& task) {
  RenderRun& run = runOf(task);
  const ImageRect& rect = task.layout.taskRect;
  const Band band = bandOf(task);
  StyleRowContext context = rowContext(run, rect, band);
  const auto start = StageClock::now();
  for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
    enterRow(context, y);
    fillToneRow(context);
  }
  run.toneRowsTime.add(start, StageClock::now());
}

// Worker thread: the tone (unless the calling thread filled it), then the style, row after
// row of the band.
void renderBand(JobTask& task) {
  RenderRun& run = runOf(task);
  const ImageRect& rect = task.layout.taskRect;
  const Band band = bandOf(task);
  StyleRowContext context = rowContext(run, rect, band);
  context.previousError = run.style->has(kCarriesPhase) ? run.state->arabesqueCarry : 0;
  std::vector<Colour> source;
  StageClock::Clock::duration tone{}, style{}, blend{};
  for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
    const auto start = StageClock::now();
    enterRow(context, y);
    if (!run.toneOnCaller) fillToneRow(context);
    const auto toned = StageClock::now();
    run.style->row(context);
    const auto styled = StageClock::now();
    if (run.blendOnWorker) blendRowOnWorker(run, context, source);
    const auto blended = StageClock::now();
    tone += toned - start;
    style += styled - toned;
    blend += blended - styled;
  }
  run.toneRowsTime.add(tone);
  run.styleTime.add(style);
  run.blendTime.add(blend);
}

// Calling thread: the rows of a band blended by its worker, with the host's selection.
void storeBlendedRow(RenderRun& run, Colour* colours, std::int32_t x, std::int32_t y, std::int32_t count) {
  const RenderOutput& output = *run.output;
  const auto start = StageClock::now();
  if (output.maskRow && output.maskRow(output.context, x, y, count, run.selectionRow.data())) {
    readSourceRow(run.mapping, x, y, count, run.sourceRow.data());
    selectInPlace(run.stage, colours, run.sourceRow.data(), run.selectionRow.data(), count, x, y);
  }
  output.storeRow(output.context, x, y, count, colours, sizeof(Colour));
  run.deliveryTime.add(start, StageClock::now());
}

// Calling thread: blend a row with its source and selection, and store it.
void blendAndStoreRow(RenderRun& run, const BandCell* cells, std::int32_t x, std::int32_t y, std::int32_t count) {
  const RenderOutput& output = *run.output;
  const bool partial = output.maskRow && output.maskRow(output.context, x, y, count, run.selectionRow.data());
  const auto start = StageClock::now();
  if (run.storesInk && !partial) {
    output.storeInkRow(output.context, x, y, count, cells, run.inkSamples);
    run.deliveryTime.add(start, StageClock::now());
    return;
  }
  const bool withSource = rowNeedsSource(run.stage, partial);
  if (withSource) readSourceRow(run.mapping, x, y, count, run.sourceRow.data());
  blendRow(run.stage, cells, withSource ? run.sourceRow.data() : nullptr, partial ? run.selectionRow.data() : nullptr,
           count, x, y, run.resultRow.data());
  const auto blended = StageClock::now();
  output.storeRow(output.context, x, y, count, run.resultRow.data(), sizeof(Colour));
  run.blendTime.add(start, blended);
  run.deliveryTime.add(blended, StageClock::now());
}

// Calling thread: hand each row of the finished band to the output.
void writeBand(JobTask& task) {
  RenderRun& run = runOf(task);
  if (run.outputFailed) return;
  const ImageRect& rect = task.layout.taskRect;
  const RenderOutput& output = *run.output;
  if (!output.beginRows(output.context, rect.top, rect.bottom)) {
    run.outputFailed = true;
    return;
  }
  const std::int32_t count = rect.right - rect.left;
  const Band band = bandOf(task);
  for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
    if (run.blendOnWorker)
      storeBlendedRow(run, bandColours(band, y), rect.left, y, count);
    else
      blendAndStoreRow(run, bandRow(band, y), rect.left, y, count);
  }
}

bool shouldStop(void* context) {
  const RenderRun& run = *static_cast<const RenderRun*>(context);
  const RenderOutput& output = *run.output;
  return run.outputFailed || (output.shouldAbort && output.shouldAbort(output.context));
}

void reportProgress(void* context, std::int32_t done, std::int32_t total) {
  const RenderOutput& output = *static_cast<const RenderRun*>(context)->output;
  if (output.progress) output.progress(output.context, done, total);
}

// The level pixels a view samples, widened by the blur's reach.
ImageRect sampledArea(const RenderView& view, std::int32_t level, std::int32_t zoom, std::int32_t reach) {
  const std::int32_t left = view.offsetX >> level;
  const std::int32_t top = view.offsetY >> level;
  const std::int32_t right = ((view.width - 1) * zoom + view.offsetX) >> level;
  const std::int32_t bottom = ((view.height - 1) * zoom + view.offsetY) >> level;
  return {top - reach, left - reach, bottom + 1 + reach, right + 1 + reach};
}

InkDepth inkDepthOf(const DocumentLayout& layout) {
  return layout.sampleBytes == 4 ? kInkFloat : (layout.sampleBytes == 2 ? kInk16 : kInk8);
}

BlendStage blendStageFor(const UserValues& look, const RenderView& view, const DocumentLayout& layout) {
  BlendStage stage{};
  stage.mode = look.blendMode;
  stage.target = view.target;
  stage.floatDocument = layout.sampleBytes == 4;
  stage.greyDocument = layout.colourPlanes < 3;
  stage.hasTransparency = layout.hasTransparency;
  stage.inkLevels = inkLevels(inkDepthOf(layout));
  return stage;
}

// How many draws of the generator lead from one state to another (a handful at most).
std::int32_t drawsBetween(std::uint32_t from, std::uint32_t to) {
  std::int32_t draws = 0;
  for (std::uint32_t state = from; state != to && draws < 1024; ++draws) state = state * 214013u + 2531011u;
  return draws;
}

// The spot tile depends on the line weight and scale alone, and takes a while to build at
// 4x, so a preview keeps it for the next. Building it draws from the generator (each image
// record takes a random phase); a kept tile makes the same draws, so every render draws
// alike whether it built the tile or not.
bool provideSpotTile(RenderTables& tables, std::int32_t lineWeight, std::int32_t scale) {
  if (hasPixels(tables.spotTile) && tables.spotTileLineWeight == lineWeight && tables.spotTileScale == scale) {
    for (std::int32_t i = 0; i < tables.spotTileDraws; ++i) (void)nextRandom();
    return true;
  }
  const std::uint32_t before = randomState();
  if (!buildSpotTile(tables.spotTile, lineWeight, scale)) return false;
  tables.spotTileLineWeight = lineWeight;
  tables.spotTileScale = scale;
  tables.spotTileDraws = drawsBetween(before, randomState());
  return true;
}

// The tone images a tone-only load made, for the whole document at this blur size and
// nothing else. Taking them draws from the generator as making them here would.
bool takeLoadedTone(RenderWorkingSet& working, const RenderView& view, float blurSize) {
  ImageBuffer& blurred = working.blurred;
  const bool fits = view.target != kTargetPreview && blurSize == working.toneOnlyBlurSize &&
                    view.width == working.source.width[0] && view.height == working.source.height[0];
  if (!fits || !reconfigureImageBuffer(&blurred, view.width, view.height, kGray8, -1, false)) return false;
  for (std::int32_t draw = 1; draw < working.toneOnlyDraws; ++draw) (void)nextRandom();  // a float one's 16-bit copy
  ToneSource& tone = working.state.tone;
  tone.image = &working.source;
  tone.blurred = &blurred;
  tone.level = tone.imageLevel = 0;
  tone.imageLeft = tone.imageTop = tone.blurredLeft = tone.blurredTop = 0;
  return true;
}

// Set-up of the tone, the tables and the error row; the failure when one cannot be had.
RenderFailure prepareRender(const UserValues& look, RenderWorkingSet& working, const RenderView& view,
                            std::int32_t level, std::int32_t zoom) {
  RenderState& state = working.state;
  RenderTables& tables = working.tables;
  if (!growErrorRow(state, view.width)) return kRenderErrorRowMemory;
  state.tables = &tables;
  state.lastColumn = view.width - 1;
  state.firstRow = 0;
  state.lastRow = view.height - 1;
  // The style's random draws come first, straight from the seeded generator: making the
  // tone images may draw too (each new image buffer takes a random phase), and how many
  // they make depends on the document's depth.
  prepareStyleTables(state, look);
  if (styleEntry(look.style).has(kUsesSpotTile) && !provideSpotTile(tables, look.lineWeight, look.scale))
    return kRenderImageMemory;
  const float blurSize = blurSizeFor(look.diameter, level);
  ToneSource& tone = state.tone;
  tone = ToneSource{};
  tone.zoom = zoom;
  tone.offsetX = view.offsetX;
  tone.offsetY = view.offsetY;
  const ImageRect area = sampledArea(view, level, zoom, blurReach(blurSize) + 1);
  const auto start = StageClock::now();
  if (working.toneOnly) {
    if (!takeLoadedTone(working, view, blurSize)) return kRenderImageMemory;
  } else if (!makeToneImages(working.source, level, area, blurSize, working.sharpCopy, working.blurred, tone)) {
    return kRenderImageMemory;
  }
  working.times.toneImages = std::chrono::duration<double>(StageClock::now() - start).count();
  tables.sharpenAmount = look.sharpen * 1024 / 100;
  tone.sharpenAmount = tables.sharpenAmount;
  return kRenderDone;
}

RenderFailure runBands(RenderRun& run, const RenderView& view) {
  const TaskLayout layout = run.style->layout;
  const std::int32_t rows = layout == rowMode ? 1 : kJobBandSize;
  JobEnvironment environment;
  environment.context = &run;
  environment.rect = {0, 0, view.height, view.width};
  const std::size_t cellBytes = sizeof(BandCell) + (run.blendOnWorker ? sizeof(Colour) : 0);
  environment.scratchBytes = std::size_t(view.width) * std::size_t(rows) * cellBytes;
  environment.load = run.toneOnCaller ? loadToneRows : nullptr;
  environment.work = renderBand;
  environment.writeBack = writeBand;
  environment.shouldAbort = shouldStop;
  environment.progress = reportProgress;
  environment.passCount = 1;
  environment.currentPass = view.target == kTargetPreview ? -1 : 1;
  const JobOutcome outcome = runJob(layout, environment);
  if (run.outputFailed) return kRenderOutputFailed;
  switch (outcome.reason) {
    case kJobNotStopped: return kRenderDone;
    case kJobStoppedByUser: return kRenderStopped;
    default: return kRenderTaskFailed;
  }
}

RenderFailure renderWithTables(const UserValues& look, RenderWorkingSet& working, const RenderView& view,
                               const RenderOutput& output) {
  const bool preview = view.target == kTargetPreview;
  const std::int32_t zoom = preview ? std::max(view.zoom, 1) : 1;
  const std::int32_t level = preview ? samplingLevel(zoom, working.source.lastLevel) : 0;
  RenderView placed = view;
  if (!preview) placed.offsetX = placed.offsetY = 0;
  const RenderFailure failure = prepareRender(look, working, placed, level, zoom);
  if (failure != kRenderDone) return failure;
  RenderRun run{};
  run.state = &working.state;
  run.output = &output;
  run.stage = blendStageFor(look, placed, output.layout);
  run.mapping = {&working.source, level, zoom, placed.offsetX, placed.offsetY};
  run.style = &styleEntry(working.state.style);
  run.blendOnWorker = run.style->layout == bandMode && rowNeedsSource(run.stage, false);
  run.toneOnCaller = run.style->layout == rowMode;
  run.storesInk = output.storeInkRow && makeInkSamples(run.stage, output.layout, run.inkSamples);
  // A tone-only source has no colours to blend with.
  if (working.toneOnly && rowNeedsSource(run.stage, false)) return kRenderImageMemory;
  try {
    run.sourceRow.resize(std::size_t(view.width));
    run.resultRow.resize(std::size_t(view.width));
    run.selectionRow.resize(std::size_t(view.width));
  } catch (const std::bad_alloc&) {
    return kRenderImageMemory;
  }
  const RenderFailure outcome = runBands(run, placed);
  working.times.toneRows = run.toneRowsTime.seconds();
  working.times.style = run.styleTime.seconds();
  working.times.blend = run.blendTime.seconds();
  working.times.delivery = run.deliveryTime.seconds();
  return outcome;
}

UserValues clampedLook(const InkSettings& settings) {
  UserValues look = settings.look;
  clampUserValues(look);
  return look;
}

}  // namespace

std::int32_t samplingLevel(std::int32_t zoom, std::int32_t lastLevel) {
  if (zoom <= 1) return 0;
  const std::int32_t level = std::int32_t(std::bit_width(std::uint32_t(zoom))) - 1;
  return std::min(level, std::max(lastLevel, 0));
}

RenderFailure renderImage(InkSettings& settings, RenderWorkingSet& working, const RenderView& view,
                          const RenderOutput& output) {
  if (view.width <= 0 || view.height <= 0) return kRenderDone;
  if (!hasPixels(working.source)) return kRenderImageMemory;
  const Preset snapshot = takeSnapshot(settings);
  const std::int32_t savedTarget = settings.renderTarget;
  settings.renderTarget = view.target;
  const UserValues look = clampedLook(settings);
  const auto start = StageClock::now();
  working.times = RenderStageTimes{};
  const RenderFailure failure = renderWithTables(look, working, view, output);
  working.times.total = std::chrono::duration<double>(StageClock::now() - start).count();
  if (view.target != kTargetPreview) releasePixels(working.tables.spotTile);
  settings.renderTarget = savedTarget;
  restoreSnapshot(settings, snapshot);
  return failure;
}

RenderFailure renderDocument(InkSettings& settings, RenderWorkingSet& working, const RenderOutput& output) {
  const RenderView view{working.source.width[0], working.source.height[0], kTargetHostImage, 1, 0, 0};
  const RenderFailure failure = renderImage(settings, working, view, output);
  releaseToneImages(working);
  if (working.toneOnly) {  // the grey is no source for anything after this render
    releasePixels(working.source);
    working.toneOnly = false;
  }
  return failure;
}

bool documentNeedsOnlyTone(const InkSettings& settings, const DocumentLayout& layout) {
  BlendStage stage{};
  stage.mode = clampedLook(settings).blendMode;
  stage.target = kTargetHostImage;
  stage.floatDocument = layout.sampleBytes == 4;
  return !rowNeedsSource(stage, false);
}

float documentBlurSize(const InkSettings& settings) { return blurSizeFor(clampedLook(settings).diameter, 0); }

}  // namespace qm
