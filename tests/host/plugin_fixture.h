// SPDX-License-Identifier: LicenseRef-Quillmark
// Runs the plug-in in this process through the substitute host, for tests that look at the
// records and the module state between the phases.
#pragma once

#include <vector>

#include "cli/host_document.h"
#include "cli/host_memory.h"
#include "cli/settings_text.h"
#include "cli/substitute_host.h"
#include "host/filter_state.h"
#include "host/module_state.h"
#include "host/plugin_dispatch.h"
#include "settings/ink_settings.h"
#include "tests/test_images.h"

namespace qm::test {

inline cli::HostDocument makeDocument(cli::RasterImage image, std::vector<std::uint8_t> mask = {}) {
  cli::HostDocument document;
  std::string error;
  EXPECT_TRUE(cli::makeDocument(std::move(image), std::move(mask), document, error)) << error;
  return document;
}

inline cli::SubstituteHost makeHost(cli::HostOptions options = {}) {
  options.seed = 1;
  return cli::SubstituteHost(pluginEntry, std::move(options));
}

// A look for the run, in the text --print-settings writes ("QNky style = QN01" and so on).
inline cli::RunRequest requestWithLook(const std::string& look) {
  cli::RunRequest request;
  cli::DescriptorItems items;
  std::string error;
  EXPECT_TRUE(cli::parseSettingsText(look, items, error)) << error;
  request.descriptor = items;
  return request;
}

// The plug-in's records as the host keeps them between calls.
inline FilterState* stateOf(cli::SubstituteHost& host) {
  auto handle = reinterpret_cast<pi::Handle>(host.dataSlot());
  return handle ? reinterpret_cast<FilterState*>(*handle) : nullptr;
}
inline InkSettings* settingsOf(cli::SubstituteHost& host) {
  return host.record().parameters ? reinterpret_cast<InkSettings*>(*host.record().parameters) : nullptr;
}

// Clears the injected faults and the failure code around each test.
class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cli::setHostMemoryFaults({});
    moduleState().lastFailureCode = 0;
  }
  void TearDown() override { cli::setHostMemoryFaults({}); }
};

}  // namespace qm::test
