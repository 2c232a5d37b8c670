// SPDX-License-Identifier: LicenseRef-Quillmark
// What a new ink style must provide. Nothing here is compiled; copy the skeleton into the
// family file it belongs to (error_diffusion_styles.cpp, carried_phase_styles.cpp,
// threshold_screens.cpp, line_screens.cpp, cell_screens.cpp) or a new one beside them.
//
// 1. A name, appended to kStyleNames in settings/name_tables.h. The number is its place in
//    that list; the count, the command's lists, the scripting terminology's range and the
//    dialog's list follow from it. Presets store the number, so never reorder the list.
// 2. A set-up (optional): fills the style's constants and tables in RenderState from the
//    look. It runs on the calling thread before any task; draw random numbers only here
//    (setup::draw), in a fixed order, so that a seeded render repeats.
// 3. A row function: renders columns context.first..context.last of context.row. For every
//    column it reads the density (densityAt) or the greys (toneAt, blurredToneAt), decides
//    ink or paper and stores exactly one sample with putInk. Band memory is reused and not
//    cleared, so a column left out shows whatever an earlier band left there.
//    - In bands (bandMode) a row may depend only on its position (patternX, patternY), its
//      tones and the read-only tables, so bands can run on any thread in any order and a
//      preview region equals the same crop of the whole picture.
//    - Row by row (rowMode) it may carry state down the picture in state.errorRow, one row
//      at a time in order; scanRow gives the serpentine order and keeps to the error row.
// 4. A row in the registry (style_registry.cpp): number, name, layout, set-up, row function
//    and flags (StyleFlag). Declare the two functions in style_families.h.
// 5. Tests: the registry-wide tests (every style renders a ramp with more ink where it is
//    darker, worker counts change nothing, paper stays paper) pick it up by themselves; add
//    the style's own properties to its family's test file.
//
// The skeleton of a band-mode threshold screen:
//
//   void exampleSetUp(RenderState& s) {
//     s.constants.shift = setup::byScale(s, 2, 1, 0);            // coarser at 2x and 4x
//   }
//
//   void renderExampleRow(StyleRowContext& context) {
//     const RenderState& state = *context.state;
//     for (std::int32_t x = context.first; x <= context.last; ++x) {
//       const std::int32_t value = ((patternX(context, x) ^ patternY(context)) << state.constants.shift) & 255;
//       const std::int32_t density = densityAt(context, x);
//       putInk(context, x, value, density > value ? 0 : 255, toneAt(context, x));  // 0: ink
//     }
//   }
//
//   {26, styleName(26), bandMode, exampleSetUp, renderExampleRow, kNone},   // the registry row
#pragma once
