// SPDX-License-Identifier: LicenseRef-Quillmark
// Every file that tools/make_resources writes for the resource script, by name, with the
// code that makes its bytes. The output depends only on the source: two runs give the same
// bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace qm::resources {

struct GeneratedFile {
  const char* name;
  std::function<std::vector<std::uint8_t>()> make;
};

const std::vector<GeneratedFile>& generatedFiles();

// Writes them all into `folder` (created when missing); false with a message on failure.
bool writeGeneratedFiles(const std::filesystem::path& folder, std::string& error);

}  // namespace qm::resources
