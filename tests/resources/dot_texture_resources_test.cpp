// SPDX-License-Identifier: LicenseRef-Quillmark
// The dot textures as the plug-in's raw-data resources: the generated script holds exactly
// the four textures under their ids, byte for byte the generator's, and the resource script
// of the plug-in takes them in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "render/dot_textures.h"
#include "resources/dot_texture_script.h"

namespace qm::test {
namespace {

struct ScriptResource {
  int id;
  std::string type;
  std::vector<std::uint8_t> bytes;  // as a resource compiler stores the 16-bit words
};

std::vector<ScriptResource> readResources(const std::string& script) {
  std::vector<ScriptResource> resources;
  const std::regex header(R"((\d+) (\w+) DISCARDABLE\nBEGIN\n)");
  const std::regex number("0x([0-9A-Fa-f]+)");
  for (auto it = std::sregex_iterator(script.begin(), script.end(), header); it != std::sregex_iterator(); ++it) {
    ScriptResource resource{std::stoi((*it)[1].str()), (*it)[2].str(), {}};
    const std::size_t begin = std::size_t(it->position() + it->length());
    const std::size_t end = script.find("END", begin);
    const std::string body = script.substr(begin, end - begin);
    for (auto word = std::sregex_iterator(body.begin(), body.end(), number); word != std::sregex_iterator(); ++word) {
      const unsigned long value = std::stoul((*word)[1].str(), nullptr, 16);
      resource.bytes.push_back(std::uint8_t(value));
      resource.bytes.push_back(std::uint8_t(value >> 8));
    }
    resources.push_back(resource);
  }
  return resources;
}

TEST(DotTextureResources, ScriptHoldsTheGeneratorsBytesUnderTheFourIds) {
  const std::vector<ScriptResource> resources = readResources(resources::dotTexturesScript());
  ASSERT_EQ(resources.size(), kDotTextureIds.size());
  for (std::size_t i = 0; i < resources.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "resource " << resources[i].id);
    EXPECT_EQ(resources[i].id, kDotTextureIds[i]);
    EXPECT_EQ(resources[i].type, "RCDATA");  // type 10
    const std::uint8_t* texture = dotTexture(resources[i].id);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(resources[i].bytes, std::vector<std::uint8_t>(texture, texture + kDotTextureBytes));
  }
}

TEST(DotTextureResources, PluginResourceScriptIncludesThem) {
  const std::filesystem::path source = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
  std::ifstream file(source / "resources" / "quillmark.rc");
  ASSERT_TRUE(file) << "resources/quillmark.rc beside the tests";
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_NE(text.str().find("\n#include \"dot_textures.rc\""), std::string::npos);
}

}  // namespace
}  // namespace qm::test
