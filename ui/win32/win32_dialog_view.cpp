// SPDX-License-Identifier: LicenseRef-Quillmark
#include "ui/win32/win32_dialog_view.h"

#include <algorithm>

#include <shellapi.h>

#include "ui/control_table.h"
#include "ui/dialog_resource_ids.h"
#include "ui/message_boxes.h"
#include "ui/win32/control_painting.h"
#include "ui/win32/control_tips.h"
#include "ui/win32/information_box.h"
#include "ui/win32/preset_file_choosers.h"

namespace qm::ui {
namespace {

// The pane keeps 2 pixels of its control free on every side: room for the frame.
constexpr int kPaneInset = 2;

bool intersects(const RECT& a, const RECT& b) {
  RECT common;
  return IntersectRect(&common, &a, &b) != 0;
}

bool takesFocus(std::int32_t kind) {
  return kind == kKindList || kind == kKindNumericField || kind == kKindCheckBox || kind == kKindButton ||
         kind == kKindIconButton;
}

// Memory for one paint: everything is drawn here first and reaches the screen in one copy,
// so nothing flickers while a slider or the dial is dragged.
class PaintBuffer {
 public:
  PaintBuffer(HDC target, const RECT& area)
      : target_(target), area_(area), dc_(CreateCompatibleDC(target)),
        bitmap_(CreateCompatibleBitmap(target, std::max(1L, area.right - area.left),
                                       std::max(1L, area.bottom - area.top))) {
    if (!dc_ || !bitmap_) return;
    previous_ = SelectObject(dc_, bitmap_);
    // Client coordinates work unchanged in the buffer.
    SetViewportOrgEx(dc_, -area.left, -area.top, nullptr);
  }
  PaintBuffer(const PaintBuffer&) = delete;
  PaintBuffer& operator=(const PaintBuffer&) = delete;
  ~PaintBuffer() {
    if (dc_ && bitmap_) {
      BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, dc_, area_.left,
             area_.top, SRCCOPY);
      SelectObject(dc_, previous_);
    }
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
  }
  // The target itself when memory for the buffer ran out.
  HDC dc() const { return dc_ && bitmap_ ? dc_ : target_; }

 private:
  HDC target_;
  RECT area_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_ = nullptr;
};

}  // namespace

Win32DialogView::Win32DialogView(HWND dialog, HMODULE module)
    : dialog_(dialog),
      module_(module),
      pictures_(module),
      overPreviewCursor_(LoadCursorA(module, MAKEINTRESOURCEA(QM_CURSOR_OVER_PREVIEW))),
      panningCursor_(LoadCursorA(module, MAKEINTRESOURCEA(QM_CURSOR_PANNING))) {
  // The layout never changes while the dialog is open, so the rectangles are read once.
  for (int id = 0; id < kControlCount; ++id) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) continue;
    ControlArea& c = controls_[std::size_t(id)];
    c.exists = true;
    c.visible = (GetWindowLongPtrA(control, GWL_STYLE) & WS_VISIBLE) != 0;
    GetWindowRect(control, &c.area);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&c.area), 2);
  }
}

Win32DialogView::~Win32DialogView() {
  for (HICON icon : icons_) DestroyIcon(icon);
}

void Win32DialogView::prepareControls() {
  for (int id = 0; id < kControlCount; ++id) {
    HWND control = GetDlgItem(dialog_, id);
    if (!control) continue;
    const std::int32_t kind = kindOf(id);
    LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
    if (takesFocus(kind)) style |= WS_TABSTOP;
    // Drawn by us with its four pictures; the button still takes clicks and the space bar.
    if (kind == kKindCheckBox) style = (style & ~LONG_PTR(BS_TYPEMASK)) | BS_OWNERDRAW;
    SetWindowLongPtrA(control, GWL_STYLE, style);
    if (kind == kKindIconButton) setButtonIcon(control, controlDescriptor(id).images[0]);
  }
  SendMessageA(dialog_, DM_SETDEFID, kOkButton, 0);
  addControlTips(dialog_, module_);
}

// The icon at a size the button holds with a margin, loaded at that size so that it is
// drawn from the icon's nearest image rather than squeezed.
void Win32DialogView::setButtonIcon(HWND button, int iconId) {
  RECT client{};
  GetClientRect(button, &client);
  const int side = std::max(8, int(std::min(client.right, client.bottom)) * 3 / 4);
  auto* icon = static_cast<HICON>(LoadImageA(module_, MAKEINTRESOURCEA(iconId), IMAGE_ICON, side, side, 0));
  if (!icon) return;
  icons_.push_back(icon);
  SetWindowLongPtrA(button, GWL_STYLE, GetWindowLongPtrA(button, GWL_STYLE) | BS_ICON);
  SendMessageA(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
  SetWindowTextA(button, "");
}

double Win32DialogView::scale() const {
  RECT client{};
  GetClientRect(dialog_, &client);
  return double(client.right - client.left) / kDesignClientWidth;
}

void Win32DialogView::eraseBackground(HDC dc) const {
  RECT client{};
  GetClientRect(dialog_, &client);
  const COLORREF old = SetBkColor(dc, kFaceColour);
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
  SetBkColor(dc, old);
}

void Win32DialogView::paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(dialog_, &ps);
  if (!dc) return;
  if (!IsRectEmpty(&ps.rcPaint)) {
    PaintBuffer buffer(dc, ps.rcPaint);
    const COLORREF old = SetBkColor(buffer.dc(), kFaceColour);
    ExtTextOutA(buffer.dc(), 0, 0, ETO_OPAQUE, &ps.rcPaint, nullptr, 0, nullptr);
    SetBkColor(buffer.dc(), old);
    if (controller_ && opened_) paintContents(buffer.dc(), ps.rcPaint);
  }
  EndPaint(dialog_, &ps);
}

void Win32DialogView::paintContents(HDC dc, const RECT& dirty) {
  const MainDialog& dialog = *controller_;
  if (dialog.previewEnabled()) {
    const Rect pane = previewPane();
    const RECT framed{pane.left - 1, pane.top - 1, pane.right + 1, pane.bottom + 1};
    if (intersects(framed, dirty)) previewPainter_.draw(dc, pane, dialog.preview(), dialog.colourImage(), true);
  }
  PaintTools tools{pictures_, reinterpret_cast<HFONT>(SendMessageA(dialog_, WM_GETFONT, 0, 0)), scale()};
  for (int id = 0; id < kControlCount; ++id) {
    const ControlArea& c = controls_[std::size_t(id)];
    if (c.exists && !c.visible && intersects(c.area, dirty)) paintControl(dc, dialog, tools, id, c.area);
  }
}

void Win32DialogView::drawCheckBox(const DRAWITEMSTRUCT& item) {
  if (!controller_) return;
  PaintTools tools{pictures_, nullptr, scale()};
  const bool checked = opened_ && controller_->value(int(item.CtlID)) != 0;
  paintCheckBox(item.hDC, tools, item.rcItem, checked, (item.itemState & ODS_SELECTED) != 0,
                (item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0);
}

HCURSOR Win32DialogView::cursorFor(CursorShape shape) const {
  switch (shape) {
    case CursorShape::OverPreview:
      if (overPreviewCursor_) return overPreviewCursor_;
      break;
    case CursorShape::Panning:
      if (panningCursor_) return panningCursor_;
      break;
    case CursorShape::Wait: return LoadCursor(nullptr, IDC_WAIT);
    case CursorShape::Arrow: break;
  }
  return LoadCursor(nullptr, IDC_ARROW);
}

bool Win32DialogView::applyCursor(HWND over, UINT hitTest) const {
  if (over != dialog_ || hitTest != HTCLIENT) return false;
  SetCursor(cursorFor(cursor_));
  return true;
}

bool Win32DialogView::controlRect(int id, Rect& rect) const {
  if (id < 0 || id >= kControlCount || !controls_[std::size_t(id)].exists) return false;
  const RECT& r = controls_[std::size_t(id)].area;
  rect = {r.left, r.top, r.right, r.bottom};
  return true;
}

Rect Win32DialogView::previewPane() const {
  Rect pane{};
  if (!controlRect(kPreviewPane, pane)) return pane;
  return {pane.left + kPaneInset, pane.top + kPaneInset, pane.right - kPaneInset, pane.bottom - kPaneInset};
}

void Win32DialogView::fillList(int id, const std::vector<std::string>& names) {
  SendDlgItemMessageA(dialog_, id, CB_RESETCONTENT, 0, 0);
  for (const std::string& name : names)
    SendDlgItemMessageA(dialog_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

void Win32DialogView::setListSelection(int id, int position) {
  SendDlgItemMessageA(dialog_, id, CB_SETCURSEL, WPARAM(position), 0);
}

// The check box shows the controller's value when it is drawn; it only needs drawing.
void Win32DialogView::setCheck(int id, bool) { InvalidateRect(GetDlgItem(dialog_, id), nullptr, FALSE); }

void Win32DialogView::setFieldText(int id, const std::string& text) { SetDlgItemTextA(dialog_, id, text.c_str()); }

void Win32DialogView::redrawControl(int id) {
  if (id < 0 || id >= kControlCount || !controls_[std::size_t(id)].exists) return;
  const ControlArea& c = controls_[std::size_t(id)];
  if (c.visible) {
    InvalidateRect(GetDlgItem(dialog_, id), nullptr, FALSE);
    return;
  }
  InvalidateRect(dialog_, &c.area, FALSE);
  // At once, so that a dragged knob or needle follows the pointer even while a preview renders.
  if (opened_) UpdateWindow(dialog_);
}

void Win32DialogView::drawPreview(bool clearMargins) {
  if (!controller_) return;
  HDC dc = GetDC(dialog_);
  if (!dc) return;
  previewPainter_.draw(dc, previewPane(), controller_->preview(), controller_->colourImage(), clearMargins);
  ReleaseDC(dialog_, dc);
}

void Win32DialogView::captureMouse() { SetCapture(dialog_); }

void Win32DialogView::releaseMouse() {
  releasing_ = true;
  if (GetCapture() == dialog_) ReleaseCapture();
  releasing_ = false;
}

void Win32DialogView::setCursor(CursorShape shape) {
  cursor_ = shape;
  SetCursor(cursorFor(shape));
}

void Win32DialogView::postMouseMove(Point at) {
  PostMessageA(dialog_, WM_MOUSEMOVE, 0, MAKELPARAM(WORD(at.x), WORD(at.y)));
}

void Win32DialogView::postCommand(int id) { PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

std::uint32_t Win32DialogView::tickCount() const { return GetTickCount(); }

void Win32DialogView::startTimer(int id, int milliseconds) { SetTimer(dialog_, UINT_PTR(id), UINT(milliseconds), nullptr); }

void Win32DialogView::stopTimer(int id) { KillTimer(dialog_, UINT_PTR(id)); }

std::optional<std::string> Win32DialogView::chooseFileToOpen(const std::string& title, const std::string& folder,
                                                             FileKind kind) {
  return runOpenChooser(dialog_, title, folder, kind);
}

std::optional<std::string> Win32DialogView::chooseFileToSave(const std::string& title, const std::string& folder,
                                                             const std::string& fileName, FileKind kind) {
  return runSaveChooser(dialog_, title, folder, fileName, kind);
}

void Win32DialogView::openDocument(const std::string& path) {
  ShellExecuteA(dialog_, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Win32DialogView::beginProgress(const std::string& title, const std::string& doing) {
  progress_.open(dialog_, module_, title, doing);
}

void Win32DialogView::showProgress(int percent) { progress_.show(percent); }
void Win32DialogView::endProgress() { progress_.close(); }

void Win32DialogView::showAbout() { showAboutBox(dialog_); }

void Win32DialogView::showInformation() {
  if (!informationBox_) showInformationBox(dialog_, module_, informationBox_);
}

void Win32DialogView::showProblem(const std::string& text) {
  MessageBoxA(dialog_, text.c_str(), "Quillmark", MB_OK | MB_ICONWARNING);
}

void Win32DialogView::closePopups() {
  if (!informationBox_) return;
  EndDialog(informationBox_, IDCANCEL);
  // Its message loop wakes up to notice.
  PostMessageA(informationBox_, WM_NULL, 0, 0);
}

void Win32DialogView::endDialog(int code) { EndDialog(dialog_, code); }

}  // namespace qm::ui
