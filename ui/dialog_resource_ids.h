// SPDX-License-Identifier: LicenseRef-Quillmark
// Resource numbers of the main dialog and its pictures, shared by the resource script, the
// control table and the Windows view. Plain macros, because the resource compiler reads
// this file too.
#pragma once

// Dialog templates (by name): "DISSOLVESANSPARAM" the main dialog, "QMINFOBOX" the
// information box.
#define QM_INFO_PICTURE_AREA 1  // the information box's one static
// "QMPROGRESS": the export's progress window.
#define QM_PROGRESS_PERCENT 2
#define QM_PROGRESS_DOING 3

// BITMAP
#define QM_BMP_SLIDER_KNOB 120
#define QM_BMP_SLIDER_TRACK 121
#define QM_BMP_CHECK_OFF 148
#define QM_BMP_CHECK_ON 149
#define QM_BMP_CHECK_OFF_PRESSED 150
#define QM_BMP_CHECK_ON_PRESSED 151
#define QM_BMP_MEMORY_DIAL 217
#define QM_BMP_SLIDER_KNOB_LARGE 351  // the knob at twice the size

// JPEG
#define QM_JPEG_INFO_PICTURE 260
#define QM_JPEG_DOT_STORED_PRESSED 331
#define QM_JPEG_DOT_STORED 332
#define QM_JPEG_DOT_CURRENT_PRESSED 333
#define QM_JPEG_DOT_CURRENT 334
#define QM_JPEG_DOT_KEPT_PRESSED 337
#define QM_JPEG_DOT_KEPT 338
#define QM_JPEG_DOT_CURRENT_KEPT_PRESSED 339
#define QM_JPEG_DOT_CURRENT_KEPT 340
#define QM_JPEG_DOT_EMPTY_PRESSED 341
#define QM_JPEG_DOT_EMPTY 342
#define QM_JPEG_DIAL_FACE_HIDDEN 390
#define QM_JPEG_DIAL_FACE 391

// ICON
#define QM_ICON_RESET 225
#define QM_ICON_NEXT_BLEND 231
#define QM_ICON_PSD 232
#define QM_ICON_INFORMATION 235
#define QM_ICON_CATALOGUE 236
#define QM_ICON_RANDOM 237
#define QM_ICON_LOAD 240
#define QM_ICON_SAVE 241
#define QM_ICON_UNDO 242
#define QM_ICON_PROGRAM 257

// CURSOR
#define QM_CURSOR_PANNING 107
#define QM_CURSOR_OVER_PREVIEW 108
