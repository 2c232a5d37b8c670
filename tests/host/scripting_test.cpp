// SPDX-License-Identifier: LicenseRef-Quillmark
// Settings travel in and out of the plug-in as the host's scripting descriptor.
#include <gtest/gtest.h>

#include "host/scripting.h"
#include "settings/four_char_code.h"
#include "settings/user_value_table.h"
#include "tests/host/plugin_fixture.h"

namespace qm::test {
namespace {

using cli::DescriptorItem;
using cli::DescriptorItems;
using cli::RunRequest;
using cli::SampleType;

class Scripting : public PluginTest {};

std::uint32_t code(const char* four) { return fourCharCode(four); }

DescriptorItem enumerated(const char* key, const char* type, const char* value) {
  DescriptorItem item;
  item.key = code(key);
  item.type = pi::typeEnumerated;
  item.enumType = code(type);
  item.enumValue = code(value);
  return item;
}

DescriptorItem integer(const char* key, std::int32_t value, pi::DescriptorTypeID type = pi::typeInteger) {
  DescriptorItem item;
  item.key = code(key);
  item.type = type;
  item.integer = value;
  return item;
}

// The value the plug-in recorded under a key, as the setting's number.
std::int32_t recordedValue(const DescriptorItems& items, const char* option) {
  const UserValueEntry& entry = *findUserValue(option);
  for (const DescriptorItem& item : items)
    if (item.key == entry.descriptorKey)
      return item.type == pi::typeEnumerated ? valueOfEnumerator(entry, item.enumValue) : item.integer;
  ADD_FAILURE() << option << " was not recorded";
  return -1;
}

cli::RunOutcome runWith(const DescriptorItems& items, cli::HostOptions options = {}) {
  cli::HostDocument document = makeDocument(makeTestImage(12, 12, SampleType::UInt8, 3, false));
  cli::SubstituteHost host = makeHost(std::move(options));
  RunRequest request;
  request.descriptor = items;
  return host.run(document, request);
}

TEST_F(Scripting, RecordedSettingsReplayIdentically) {
  const DescriptorItems chosen = {enumerated("QNky", "QNty", "QN07"), enumerated("QSky", "QSty", "Qs03"),
                                  enumerated("QGky", "QGty", "QG02"), integer("0004", 66),
                                  integer("0005", 200),               integer("0006", 1, pi::typeBoolean),
                                  enumerated("GLUE", "GLty", "GL30"), integer("0008", 250),
                                  integer("0009", 0),                 enumerated("Qmky", "Qmty", "Qm05")};
  const cli::RunOutcome first = runWith(chosen);
  ASSERT_EQ(first.result, 0);
  ASSERT_TRUE(first.recorded);
  const std::pair<const char*, std::int32_t> values[] = {{"style", 7},      {"scale", 3},      {"invert", 2},
                                                         {"warping", 66},    {"angle", 200},    {"gray", 1},
                                                         {"blend", 30},      {"diameter", 250}, {"sharpen", 0},
                                                         {"line", 5}};
  for (const auto& [option, value] : values) EXPECT_EQ(recordedValue(*first.recorded, option), value) << option;

  const cli::RunOutcome replay = runWith(*first.recorded);
  ASSERT_TRUE(replay.recorded);
  ASSERT_EQ(replay.recorded->size(), first.recorded->size());
  for (std::size_t i = 0; i < first.recorded->size(); ++i) {
    EXPECT_EQ((*replay.recorded)[i].key, (*first.recorded)[i].key);
    EXPECT_EQ((*replay.recorded)[i].type, (*first.recorded)[i].type);
    EXPECT_EQ((*replay.recorded)[i].integer, (*first.recorded)[i].integer);
    EXPECT_EQ((*replay.recorded)[i].enumValue, (*first.recorded)[i].enumValue);
  }
}

TEST_F(Scripting, DescriptorWithOnlyTheStyleKeepsEveryOtherDefault) {
  const cli::RunOutcome outcome = runWith({enumerated("QNky", "QNty", "QN07")});
  ASSERT_TRUE(outcome.recorded);
  EXPECT_EQ(recordedValue(*outcome.recorded, "style"), 7);
  for (const UserValueEntry& entry : userValueTable()) {
    if (std::string(entry.option) == "style") continue;
    EXPECT_EQ(recordedValue(*outcome.recorded, entry.option), entry.defaultValue) << entry.option;
  }
}

// Out of range, of an enumeration the value does not have, or of the wrong type altogether.
TEST_F(Scripting, ValuesFromOutsideAreBroughtIntoRange) {
  const cli::RunOutcome outcome =
      runWith({enumerated("QNky", "QNty", "QN26"), enumerated("GLUE", "GLty", "<NO>"), integer("0004", 500),
               integer("0005", -90), integer("0008", -4), integer("0009", 101), enumerated("Qmky", "QNty", "QN02"),
               integer("QSky", 2), enumerated("0006", "QNty", "QN01")});
  ASSERT_TRUE(outcome.recorded);
  EXPECT_EQ(recordedValue(*outcome.recorded, "style"), 4) << "an unknown enumerator leaves the default";
  EXPECT_EQ(recordedValue(*outcome.recorded, "blend"), 1);
  EXPECT_EQ(recordedValue(*outcome.recorded, "line"), 3) << "a style enumerator is no line weight";
  EXPECT_EQ(recordedValue(*outcome.recorded, "warping"), 100);
  EXPECT_EQ(recordedValue(*outcome.recorded, "angle"), 270);
  EXPECT_EQ(recordedValue(*outcome.recorded, "diameter"), 0);
  EXPECT_EQ(recordedValue(*outcome.recorded, "sharpen"), 100);
  EXPECT_EQ(recordedValue(*outcome.recorded, "scale"), 1) << "an integer is no scale";
  EXPECT_EQ(recordedValue(*outcome.recorded, "gray"), 0) << "an enumerator is no switch";
}

// A host in the middle of a call of the plug-in, with its descriptor procedures.
struct DescriptorHost {
  cli::HostDocument document = makeDocument(makeTestImage(4, 4, SampleType::UInt8, 3, false));
  cli::SubstituteHost host = makeHost();
  std::int16_t result = 0;
  DescriptorHost() {
    host.beginDocument(document);
    host.descriptorParameters().readDescriptorProcs = cli::hostReadDescriptorProcs();
    host.descriptorParameters().writeDescriptorProcs = cli::hostWriteDescriptorProcs();
    moduleState().record = &host.record();
    moduleState().result = &result;
  }
  ~DescriptorHost() { moduleState().record = nullptr; }
  DescriptorHost(const DescriptorHost&) = delete;
  DescriptorHost& operator=(const DescriptorHost&) = delete;
};

TEST_F(Scripting, OutOfRangeValueIsRecordedAsNoEnumerator) {
  DescriptorHost session;
  cli::SubstituteHost& host = session.host;
  InkSettings settings{};
  resetForRun(settings);
  settings.look.style = 30;
  writeScriptingParameters(host.record(), settings);
  cli::DescriptorItems items;
  ASSERT_TRUE(cli::readDescriptorHandle(host.descriptorParameters().descriptor, items));
  ASSERT_EQ(items.size(), 10u);
  EXPECT_EQ(items[0].enumValue, kNoEnumerator);
  EXPECT_EQ(host.descriptorParameters().recordInfo, 0);
}

TEST_F(Scripting, PlayModeDecidesTheDialog) {
  for (pi::int16 play : {pi::plugInDialogDontDisplay, pi::plugInDialogDisplay}) {
    DescriptorHost session;
    cli::SubstituteHost& host = session.host;
    pi::PIDescriptorParameters& parameters = host.descriptorParameters();
    parameters.playInfo = play;
    parameters.descriptor = cli::makeDescriptorHandle({enumerated("QNky", "QNty", "QN11")});
    InkSettings settings{};
    resetForRun(settings);
    FilterState state{};
    state.showDialog = 1;
    EXPECT_EQ(readScriptingParameters(host.record(), settings, state), play == pi::plugInDialogDisplay);
    EXPECT_EQ(state.showDialog, play == pi::plugInDialogDisplay ? 1 : 0);
    EXPECT_EQ(settings.look.style, 11);
    EXPECT_EQ(parameters.descriptor, nullptr) << "the filter disposes of the descriptor it read";
  }
}

// Certain hosts' descriptors are ignored (their recording still happens); a host without
// descriptor procedures gets a run on the defaults and nothing recorded.
TEST_F(Scripting, HostsWhoseDescriptorsDoNotCount) {
  cli::HostOptions options;
  options.hostSig = fourCharCode("PSP9");
  const cli::RunOutcome ignored = runWith({enumerated("QNky", "QNty", "QN11")}, options);
  ASSERT_EQ(ignored.result, 0);
  ASSERT_TRUE(ignored.recorded);
  EXPECT_EQ(recordedValue(*ignored.recorded, "style"), 4);
  options.scripting = false;
  const cli::RunOutcome without = runWith({}, options);
  EXPECT_EQ(without.result, 0);
  EXPECT_FALSE(without.recorded);
}

TEST_F(Scripting, IncompleteProcedureTablesAreNotUsed) {
  cli::HostDocument document = makeDocument(makeTestImage(4, 4, SampleType::UInt8, 3, false));
  cli::SubstituteHost host = makeHost();
  host.beginDocument(document);
  pi::ReadDescriptorProcs read = *cli::hostReadDescriptorProcs();
  pi::WriteDescriptorProcs write = *cli::hostWriteDescriptorProcs();
  host.descriptorParameters().readDescriptorProcs = &read;
  host.descriptorParameters().writeDescriptorProcs = &write;
  EXPECT_TRUE(descriptorUsable(host.record()));
  read.getPinnedUnitFloatProc = nullptr;
  EXPECT_FALSE(descriptorUsable(host.record()));
  read = *cli::hostReadDescriptorProcs();
  write.numWriteDescriptorProcs = 15;
  EXPECT_FALSE(descriptorUsable(host.record()));
  write = *cli::hostWriteDescriptorProcs();
  host.descriptorParameters().descriptorParametersVersion = 1;
  EXPECT_FALSE(descriptorUsable(host.record()));
}

}  // namespace
}  // namespace qm::test
