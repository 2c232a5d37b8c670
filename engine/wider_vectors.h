// SPDX-License-Identifier: LicenseRef-Quillmark
// A function marked with this is built twice where the system can choose at run time: for
// the baseline processor and for one with 256-bit integer vectors (twice the samples an
// instruction), the loader picking the one the processor runs. GCC's function clones on
// x86-64 ELF systems; elsewhere the baseline build alone. Only the marked function's own
// body is built twice, never an inline function it calls, so nothing the baseline build
// runs can come from the wider one. For loops of plain integer arithmetic, whose results do
// not depend on how many samples an instruction takes.
//
// Not under the thread sanitizer: the loader runs the clones' chooser before the sanitizer
// has set itself up, and the chooser, built with the sanitizer's checks, then crashes.
#pragma once

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__ELF__) && \
    !defined(__SANITIZE_THREAD__)
#define QUILLMARK_HAS_WIDER_VECTOR_CLONES 1
#define QUILLMARK_WIDER_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define QUILLMARK_HAS_WIDER_VECTOR_CLONES 0
#define QUILLMARK_WIDER_VECTOR_CLONES
#endif
