// SPDX-License-Identifier: LicenseRef-Quillmark
// Numbers shared by the resource script and the Windows code that loads its resources.
// Plain macros, because the resource compiler reads this file too.
#pragma once

#define QM_ABOUT_PICTURE 261 // JPEG
#define QM_ABOUT_MARK 270    // BITMAP, black outside the mark
#define QM_ABOUT_MASK 271    // BITMAP, white outside the mark

#define QM_ABOUT_PICTURE_AREA 222
#define QM_ABOUT_MARK_AREA 223
#define QM_ABOUT_WEB_PAGE 5

// RCDATA 146, 148, 149 and 150 are the dot textures (render/dot_textures.h); keep them free.

#define QM_MESSAGE_TEXT 100
#define QM_MESSAGE_ICON 101
