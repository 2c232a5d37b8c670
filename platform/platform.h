// SPDX-License-Identifier: LicenseRef-Quillmark
// The seam to the operating system. Everything above it is portable; the implementations
// live in platform/posix/ and platform/win32/.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm::platform {

// One line to the system's debugger output (no-op where there is none).
void debugOutput(const char* line);

// Handle of this library, for its own resources; null where resources do not exist.
void* moduleHandle();

// The system shows the plug-in's own windows (its dialog, message boxes).
bool hasDialogWindows();

// Text for a human where no dialog exists (the standard error stream on Linux).
void writeDiagnostic(const char* text);

// Zero-filled memory from the system when the host offers none; freeSystemMemory takes
// the handle that allocateSystemMemory returned.
struct SystemMemory {
  void* data = nullptr;
  void* handle = nullptr;
};
SystemMemory allocateSystemMemory(std::size_t size);
void freeSystemMemory(SystemMemory& memory);

// Zero-filled memory for a large image straight from the system's pages: one region the
// system has already cleared, given back whole when the image goes, rather than heap memory
// that is filled with zeros again (or a hundred separate blocks). The first `touched` bytes,
// which the caller is about to write, are mapped in at once where the system can: one call
// instead of a page fault every 4 KiB. Null when memory runs out; freePixelMemory takes the
// same size.
void* allocatePixelMemory(std::size_t size, std::size_t touched);
void freePixelMemory(void* data, std::size_t size);

// Processors the system reports, at least 1.
unsigned processorCount();

// Wall clock in whole seconds (seeds the random generator).
std::uint32_t clockSeconds();

}  // namespace qm::platform
