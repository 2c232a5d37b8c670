// SPDX-License-Identifier: LicenseRef-Quillmark
#include "resources/information_artwork.h"

#include <functional>
#include <string>
#include <string_view>

#include "resources/artwork_palette.h"
#include "resources/cursor_artwork.h"
#include "resources/icon_artwork.h"
#include "resources/memory_dot_artwork.h"
#include "resources/stroke_font.h"

namespace qm::resources {
namespace {

constexpr Colour kWhite = {255, 255, 255};
constexpr Colour kQuiet = {96, 96, 96};
constexpr PenText kTitle = {34, 4.4f, kArtInk};
constexpr PenText kHeading = {24, 3.6f, kArtInk};
constexpr PenText kBody = {18, 2.7f, kArtInk};
constexpr PenText kNote = {16, 2.3f, kQuiet};

constexpr float kMargin = 64;
constexpr float kColumnGap = 70;
constexpr float kLineStep = 46;
constexpr float kPictureSize = 34;   // the small picture before a line
constexpr float kTextIndent = 56;    // from the column's left edge

using Picture = std::function<void(InkCanvas&, Point topLeft)>;

Picture dot(DotState state, bool kept = false) {
  return [=](InkCanvas& canvas, Point topLeft) {
    canvas.disc({topLeft.x + kPictureSize / 2, topLeft.y + kPictureSize / 2}, kPictureSize / 2, kArtDialogGrey);
    paintMemoryDot(canvas, {topLeft.x + kPictureSize / 2, topLeft.y + kPictureSize / 2}, kPictureSize - 6,
                   {state, kept, false});
  };
}
Picture icon(IconGlyph glyph) {
  return [=](InkCanvas& canvas, Point topLeft) { paintIcon(canvas, glyph, topLeft, kPictureSize); };
}
// The memory dial in small: a framed window in its ring of dots.
Picture dial() {
  return [](InkCanvas& canvas, Point topLeft) {
    const Point centre = {topLeft.x + kPictureSize / 2, topLeft.y + kPictureSize / 2};
    for (int i = 0; i < 12; ++i) canvas.disc(onCircle(centre, kPictureSize / 2 - 2, float(i) * 30), 2.2f, kArtInk);
    const float half = kPictureSize * 0.25f;
    canvas.polygon(roundedRectangle(centre.x - half, centre.y - half, centre.x + half, centre.y + half, 2.5f), kArtInk);
    canvas.polygon(roundedRectangle(centre.x - half + 2.5f, centre.y - half + 2.5f, centre.x + half - 2.5f,
                                    centre.y + half - 2.5f, 1), kArtAccent);
  };
}
Picture hand(HandPose pose) {
  return [=](InkCanvas& canvas, Point topLeft) {
    paintHand(canvas, pose, {topLeft.x - 4, topLeft.y - 4}, kPictureSize + 8);
  };
}

struct Line {
  Picture picture;  // may be empty
  std::string_view gesture;
  std::string_view effect;
};

// A column: a heading, then lines of "gesture: effect", each after its picture.
class Column {
 public:
  Column(InkCanvas& canvas, float left, float top) : canvas_(canvas), left_(left), y_(top) {}

  void heading(std::string_view text, std::string_view note = {}) {
    y_ += kLineStep * 0.45f;
    const float end = drawPenText(canvas_, {left_, y_}, text, kHeading);
    if (!note.empty()) drawPenText(canvas_, {end + 18, y_}, note, kNote);
    canvas_.stroke({left_, y_ + 13}, {left_ + 120, y_ + 13}, 3, kArtAccent);
    y_ += kLineStep * 1.05f;
  }

  void line(const Line& line) {
    if (line.picture) line.picture(canvas_, {left_, y_ - kBody.capHeight / 2 - kPictureSize / 2});
    const float end = drawPenText(canvas_, {left_ + kTextIndent, y_}, line.gesture, kBody);
    if (!line.effect.empty()) drawPenText(canvas_, {end + 1, y_}, std::string(":  ").append(line.effect), kBody);
    y_ += kLineStep;
  }

  void skip(float lines) { y_ += kLineStep * lines; }

 private:
  InkCanvas& canvas_;
  float left_;
  float y_;
};

void drawTitle(InkCanvas& canvas) {
  const float baseline = kMargin + kTitle.capHeight;
  paintIcon(canvas, IconGlyph::Program, {kMargin, baseline - 46}, 56);
  const float end = drawPenText(canvas, {kMargin + 76, baseline}, "Quillmark", kTitle);
  drawPenText(canvas, {end + 24, baseline}, "quick reference", {kTitle.capHeight * 0.75f, 3.4f, kQuiet});
  canvas.stroke({kMargin, baseline + 30}, {float(kInformationWidth) - kMargin, baseline + 30}, 2, kArtInk);
}

void drawLeftColumn(InkCanvas& canvas, float top) {
  Column column(canvas, kMargin, top);
  column.heading("Memory dots", "the ring round the dial");
  column.line({dot(DotState::Empty), "Click an empty dot", "store the settings"});
  column.line({dot(DotState::Stored), "Click a stored dot", "recall them"});
  column.line({dot(DotState::Stored, true), "Ctrl-click a dot", "un-keep it"});
  column.line({dot(DotState::Stored), "Right-click a dot", "forget it"});
  column.line({dot(DotState::Current), "Hover over a dot", "see its picture"});
  column.skip(0.3f);
  column.heading("Memory dial", "the picture in the ring");
  column.line({dial(), "Click", "recall the current dot"});
  column.line({nullptr, "Right-click", "memory-dot catalogue"});
  column.line({nullptr, "Ctrl-click", "convert older presets"});
}

void drawRightColumn(InkCanvas& canvas, float left, float top) {
  Column column(canvas, left, top);
  column.heading("Preview");
  column.line({hand(HandPose::Grabbing), "Drag the preview", "pan over the image"});
  column.skip(0.3f);
  column.heading("Buttons");
  column.line({icon(IconGlyph::NextBlend), "N", "next blend mode"});
  column.line({icon(IconGlyph::Undo), "Undo", "swap the last two states"});
  column.line({icon(IconGlyph::Load), "Load, Save", "settings files"});
  column.line({icon(IconGlyph::Psd), "PSd", "export a layered file"});
  column.line({icon(IconGlyph::Random), "Random", "surprise settings"});
  column.line({icon(IconGlyph::Reset), "Reset", "plain settings"});
  column.line({icon(IconGlyph::Catalogue), "Catalogue", "a page of all presets"});
}

// The dot looks in a row along the bottom: what the ring shows.
void drawDotLegend(InkCanvas& canvas) {
  const float baseline = float(kInformationHeight) - kMargin + 4;
  canvas.stroke({kMargin, baseline - 44}, {float(kInformationWidth) - kMargin, baseline - 44}, 1.5f, {200, 200, 200});
  struct Entry {
    DotLook look;
    std::string_view name;
  };
  const Entry entries[] = {{{DotState::Empty, false, false}, "empty"},
                           {{DotState::Stored, false, false}, "stored"},
                           {{DotState::Stored, true, false}, "stored, kept"},
                           {{DotState::Current, false, false}, "current"},
                           {{DotState::Current, true, false}, "current, kept"}};
  float x = kMargin;
  for (const Entry& entry : entries) {
    canvas.disc({x + 17, baseline - 9}, 19, kArtDialogGrey);
    paintMemoryDot(canvas, {x + 17, baseline - 9}, 30, entry.look);
    x = drawPenText(canvas, {x + 46, baseline}, entry.name, kNote) + 50;
  }
}

}  // namespace

RgbImage drawInformationPicture() {
  InkCanvas canvas(kInformationWidth, kInformationHeight, kWhite);
  drawTitle(canvas);
  const float top = kMargin + kTitle.capHeight + 70;
  drawLeftColumn(canvas, top);
  drawRightColumn(canvas, float(kInformationWidth) / 2 + kColumnGap / 2, top);
  drawDotLegend(canvas);
  return canvas.toImage();
}

}  // namespace qm::resources
