// SPDX-License-Identifier: LicenseRef-Quillmark
#include "formats/jpeg_library.h"

#include <cstring>
#include <new>

namespace qm::jpeg {
namespace {

ErrorTrap& trapOf(j_common_ptr info) { return *reinterpret_cast<ErrorTrap*>(info->err); }

[[noreturn]] void leaveOnError(j_common_ptr info) {
  ErrorTrap& trap = trapOf(info);
  (*info->err->format_message)(info, trap.message);
  std::longjmp(trap.jump, 1);
}

// Level -1 is a warning (corrupt data, a premature end); higher levels are trace messages.
void onMessage(j_common_ptr info, int level) {
  if (level < 0 && trapOf(info).warningsFail) leaveOnError(info);
}

void printNothing(j_common_ptr) {}

void startSource(j_decompress_ptr) {}

boolean refillSource(j_decompress_ptr info) {
  ERREXIT(info, JERR_INPUT_EOF);
  return FALSE;
}

void skipSource(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  jpeg_source_mgr& source = *info->src;
  if (static_cast<unsigned long>(count) > source.bytes_in_buffer) ERREXIT(info, JERR_INPUT_EOF);
  source.next_input_byte += count;
  source.bytes_in_buffer -= static_cast<std::size_t>(count);
}

void endSource(j_decompress_ptr) {}

VectorDestination& destinationOf(j_compress_ptr info) { return *reinterpret_cast<VectorDestination*>(info->dest); }

// Grows the stream to `size` bytes and points the library at the part from `from` on.
void growStream(j_compress_ptr info, std::size_t from, std::size_t size) {
  std::vector<std::uint8_t>& stream = *destinationOf(info).stream;
  bool grown = true;
  try {
    stream.resize(size);
  } catch (const std::bad_alloc&) {
    grown = false;
  }
  // The jump happens outside the handler, so no exception is left half-handled.
  if (!grown) ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
  info->dest->next_output_byte = stream.data() + from;
  info->dest->free_in_buffer = size - from;
}

void startDestination(j_compress_ptr info) { growStream(info, 0, 4096); }

boolean flushDestination(j_compress_ptr info) {
  const std::size_t full = destinationOf(info).stream->size();
  growStream(info, full, full * 2);
  return TRUE;
}

void endDestination(j_compress_ptr info) {
  std::vector<std::uint8_t>& stream = *destinationOf(info).stream;
  stream.resize(stream.size() - info->dest->free_in_buffer);
}

}  // namespace

jpeg_error_mgr* installErrorTrap(ErrorTrap& trap, bool warningsFail) {
  jpeg_std_error(&trap.manager);
  trap.manager.error_exit = leaveOnError;
  trap.manager.emit_message = onMessage;
  trap.manager.output_message = printNothing;
  trap.warningsFail = warningsFail;
  trap.message[0] = '\0';
  return &trap.manager;
}

void failWith(j_common_ptr info, const char* message) {
  ErrorTrap& trap = trapOf(info);
  std::strncpy(trap.message, message, sizeof trap.message - 1);
  trap.message[sizeof trap.message - 1] = '\0';
  std::longjmp(trap.jump, 1);
}

void useMemorySource(j_decompress_ptr info, MemorySource& source, const std::uint8_t* data, std::size_t size) {
  source.manager.init_source = startSource;
  source.manager.fill_input_buffer = refillSource;
  source.manager.skip_input_data = skipSource;
  source.manager.resync_to_restart = jpeg_resync_to_restart;
  source.manager.term_source = endSource;
  source.manager.next_input_byte = data;
  source.manager.bytes_in_buffer = size;
  source.data = data;
  source.size = size;
  info->src = &source.manager;
}

void useVectorDestination(j_compress_ptr info, VectorDestination& destination, std::vector<std::uint8_t>& stream) {
  destination.manager.init_destination = startDestination;
  destination.manager.empty_output_buffer = flushDestination;
  destination.manager.term_destination = endDestination;
  destination.stream = &stream;
  info->dest = &destination.manager;
}

}  // namespace qm::jpeg
