// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/win32/preset_picture_pane.h"

#include <dlgs.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/win32/bgra_bitmaps.h"

namespace qm::ui {
namespace {

constexpr WORD kPictureArea = 1200;
// In dialog units: the system's controls go where stc32 is (it grows to hold them, and what
// lies right of it moves along); the picture area sits to its right.
constexpr short kGap = 4;
constexpr short kAreaSide = 90;
constexpr int kPicturePixels = 128;  // at 96 DPI; never drawn larger than the preset holds

// A dialog template in memory: the header, then each item on a 4-byte boundary.
class TemplateWriter {
 public:
  void dword(DWORD value) {
    word(LOWORD(value));
    word(HIWORD(value));
  }
  void word(WORD value) { words_.push_back(value); }
  void align() {
    if (words_.size() % 2) word(0);
  }
  void item(DWORD style, short x, short y, short cx, short cy, WORD id) {
    align();
    dword(style);
    dword(0);
    for (short value : {x, y, cx, cy}) word(WORD(value));
    word(id);
    word(0xFFFF);  // a predefined class:
    word(0x0082);  // static
    word(0);       // no text
    word(0);       // no creation data
  }
  HGLOBAL copy() const {
    HGLOBAL memory = GlobalAlloc(GMEM_FIXED, words_.size() * sizeof(WORD));
    if (memory) std::copy(words_.begin(), words_.end(), static_cast<WORD*>(memory));
    return memory;
  }

 private:
  std::vector<WORD> words_;
};

HGLOBAL makeTemplate() {
  TemplateWriter t;
  t.dword(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | DS_3DLOOK | DS_CONTROL);
  t.dword(0);
  t.word(2);  // items
  for (short value : {short(0), short(0), short(kGap * 3 + kAreaSide), short(kGap * 2 + kAreaSide)})
    t.word(WORD(value));
  t.word(0);  // no menu
  t.word(0);  // the default class
  t.word(0);  // no title
  // As tall as the picture area, so that the area moves right only, not down as well.
  t.item(WS_CHILD, 0, 0, kGap, kGap * 2 + kAreaSide, stc32);
  t.item(WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, kGap * 2, kGap, kAreaSide, kAreaSide, kPictureArea);
  return t.copy();
}

UINT_PTR CALLBACK pictureHook(HWND hook, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto& chooser = *reinterpret_cast<const OPENFILENAMEA*>(lParam);
    SetWindowLongPtrA(hook, DWLP_USER, chooser.lCustData);
    return TRUE;
  }
  auto* pane = reinterpret_cast<PresetPicturePane*>(GetWindowLongPtrA(hook, DWLP_USER));
  if (!pane) return FALSE;
  if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == CDN_SELCHANGE) {
    // Nothing may unwind through the chooser; a picture that cannot be read is not shown.
    try {
      pane->selectionChanged(hook);
    } catch (...) {
    }
    return FALSE;
  }
  if (message == WM_DRAWITEM && reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->CtlID == kPictureArea) {
    pane->draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    return TRUE;
  }
  return FALSE;
}

std::string fileNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

PresetPicturePane::PresetPicturePane() {
  initImageBuffer(thumbnailImage_, nullptr);
  initImageBuffer(picture_, nullptr);
  if (configureImageBuffer(&thumbnailImage_, kPresetPictureSide, kPresetPictureSide, kRgba8, 0, false))
    thumbnail_.image = &thumbnailImage_;
}

PresetPicturePane::~PresetPicturePane() {
  releasePixels(thumbnailImage_);
  releasePixels(picture_);
  if (template_) GlobalFree(template_);
}

void PresetPicturePane::attachTo(OPENFILENAMEA& chooser) {
  template_ = makeTemplate();
  if (!template_) return;
  chooser.hInstance = static_cast<HINSTANCE>(template_);
  chooser.lpfnHook = pictureHook;
  chooser.lCustData = reinterpret_cast<LPARAM>(this);
  chooser.Flags |= OFN_ENABLEHOOK | OFN_ENABLETEMPLATEHANDLE;
}

void PresetPicturePane::selectionChanged(HWND hook) {
  char path[MAX_PATH * 4] = {};
  // The hook's window is a child of the chooser, which knows the selection.
  const int length = CommDlg_OpenSave_GetFilePathA(GetParent(hook), path, int(sizeof path));
  showing_ = false;
  if (length > 0 && thumbnail_.image && isPresetName(fileNameOf(path)))
    showing_ = readPicture(path, thumbnail_, picture_, kPresetPictureSide);
  InvalidateRect(GetDlgItem(hook, kPictureArea), nullptr, TRUE);
}

void PresetPicturePane::draw(const DRAWITEMSTRUCT& item) const {
  const RECT& area = item.rcItem;
  FillRect(item.hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
  FrameRect(item.hDC, &area, GetSysColorBrush(COLOR_BTNSHADOW));
  if (!showing_) return;
  const int largest = MulDiv(kPicturePixels, GetDeviceCaps(item.hDC, LOGPIXELSX), 96);
  const int side = std::min({int(area.right - area.left) - 2, int(area.bottom - area.top) - 2, largest});
  const int left = area.left + (area.right - area.left - side) / 2;
  const int top = area.top + (area.bottom - area.top - side) / 2;
  drawImageBuffer(item.hDC, picture_, RECT{left, top, left + side, top + side});
}

}  // namespace qm::ui
