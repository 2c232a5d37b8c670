// SPDX-License-Identifier: LicenseRef-Quillmark
// The small file layer under the settings files (cached settings, memory dots, undo):
// files opened by path with fixed result codes, and the system's temporary folder.
// Results: 0 success, kOpenRefused when the system refuses to open, kReadFailed and
// kWriteFailed for a short or failed transfer. Other processes may read a file while we
// have it open; the last writer wins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qm::platform {

constexpr int kOpenRefused = 99;
constexpr int kReadFailed = -19;
constexpr int kWriteFailed = -20;

// Where the filter keeps its own files (cached settings, memory dots, undo), ending in its
// separator: on Windows the system's temporary folder ("C:\Windows\Temp\" when it reports
// none), which is the user's own; elsewhere a folder of the user's own, made with mode 0700
// ($XDG_STATE_HOME/quillmark, else ~/.local/state/quillmark), never the shared /tmp.
// Off Windows, when that folder cannot be had safely (it is a link or another user's, or
// there is no home), the answer is kNoFolder, under which nothing can ever be opened or
// made: each of the filter's own files then fails to open as a missing one does, rather
// than landing somewhere others could plant or read it.
std::string temporaryFolder();
constexpr const char* kNoFolder = "/dev/null/";
// The temporary folder followed directly by name.
std::string temporaryPath(const std::string& name);

class File {
 public:
  File() = default;
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Reading: only an existing file. Writing: an existing file from its start, or a new one.
  // Off Windows neither follows a link at the path's end: a planted link is refused.
  int openForReading(const std::string& path);
  int openForWriting(const std::string& path);
  int read(void* bytes, std::size_t count);
  int write(const void* bytes, std::size_t count);
  // Ends the file after the last byte written, so a shorter rewrite leaves no old tail.
  int truncateHere();
  // Writing that never leaves a half-written file: the bytes go to a fresh file beside
  // `path`, which replaces `path` in one step at commitReplacement. Closing without the
  // commit removes the fresh file and leaves `path` as it was. The fresh file is made
  // only where no file was (never through a link), readable by its owner alone off Windows
  // while it is written; at the commit a file it replaces hands its permissions on, and a
  // new one gets what the user's umask gives any new file. The commit forces the bytes to
  // the disk before the move, and reports kWriteFailed (the fresh file removed) when
  // either fails or when the file was not opened for replacing.
  int openForReplacing(const std::string& path);
  int commitReplacement();
  void close();
  bool isOpen() const { return handle_ != nullptr; }

 private:
  void* handle_ = nullptr;
  std::string freshPath_;  // while replacing: the file being written, and its final name
  std::string finalPath_;
};

// Big-endian words, as every settings file stores them.
int readWord32(File& file, std::uint32_t& value);
int writeWord32(File& file, std::uint32_t value);
int readWord16(File& file, std::uint16_t& value);
int writeWord16(File& file, std::uint16_t value);
// Passes over count bytes: pieces of 256, then byte by byte.
int skipBytes(File& file, std::size_t count);

}  // namespace qm::platform
