// SPDX-License-Identifier: LicenseRef-Quillmark
// The phases of a filter run as a host drives them, and every way a run can be refused.
#include <gtest/gtest.h>

#include <cstring>

#include "host/host_coordinates.h"
#include "host/messages.h"
#include "host/plugin_dispatch.h"
#include "settings/four_char_code.h"
#include "tests/host/plugin_fixture.h"

namespace qm::test {
namespace {

using cli::RunRequest;
using cli::SampleType;

class SelectorRoad : public PluginTest {};

TEST_F(SelectorRoad, NormalRunRendersAndRecordsTheLook) {
  const RasterImage original = makeTestImage(37, 29, SampleType::UInt8, 3, false);
  cli::HostDocument document = makeDocument(original);
  cli::SubstituteHost host = makeHost();
  const cli::RunOutcome outcome = host.run(document, RunRequest{});
  ASSERT_EQ(outcome.result, 0) << outcome.message;
  EXPECT_FALSE(sameImage(original, document.image));
  EXPECT_GE(outcome.deliveries, 2) << "the source in, the ink out";
  EXPECT_EQ(outcome.continueCalls, 1) << "continue is asked once and then nothing more is wanted";
  EXPECT_EQ(moduleState().lastFailureCode, kFailContinueCalled);
  ASSERT_TRUE(outcome.recorded.has_value());
  ASSERT_EQ(outcome.recorded->size(), 10u);
  const char* order[] = {"QNky", "QSky", "QGky", "0004", "0005", "0006", "GLUE", "0008", "0009", "Qmky"};
  for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(fourCharCodeText((*outcome.recorded)[i].key), order[i]);
  // The handles are kept for the next run; the dialog flag is spent.
  ASSERT_NE(stateOf(host), nullptr);
  EXPECT_EQ(stateOf(host)->showDialog, 0);
  EXPECT_EQ(stateOf(host)->render, nullptr) << "finish frees the render's working set";
}

TEST_F(SelectorRoad, RepeatWithoutParametersRendersTheRecordedLook) {
  cli::HostDocument document = makeDocument(makeTestImage(16, 70, SampleType::UInt8, 1, false));
  cli::SubstituteHost host = makeHost();
  RunRequest first;
  first.descriptor = cli::DescriptorItems{};
  const cli::RunOutcome run = host.run(document, first);
  ASSERT_EQ(run.result, 0);
  const intptr_t keptState = host.dataSlot();
  const pi::Handle keptSettings = host.parametersHandle();

  RunRequest repeat;
  repeat.withParameters = false;
  const cli::RunOutcome again = host.run(document, repeat);
  ASSERT_EQ(again.result, 0);
  EXPECT_EQ(host.dataSlot(), keptState) << "the records survive between runs";
  EXPECT_EQ(host.parametersHandle(), keptSettings);
  EXPECT_EQ(stateOf(host)->showDialog, 0);
  EXPECT_EQ(again.deliveries, run.deliveries);
}

// The user's stop and a host that fails to deliver both end start with their result, and
// nothing more is asked for.
TEST_F(SelectorRoad, StopsAndHostFailuresEndTheRunWithTheirResult) {
  for (const bool userStop : {true, false}) {
    cli::HostDocument document = makeDocument(makeTestImage(20, 300, SampleType::UInt8, 3, false));
    cli::HostOptions options;
    int asked = 0;
    if (userStop) options.shouldAbort = [&asked] { return ++asked > 2; };
    if (!userStop) options.failDeliveryAfter = 2;
    cli::SubstituteHost host = makeHost(options);
    const cli::RunOutcome outcome = host.run(document, RunRequest{});
    EXPECT_EQ(outcome.result, userStop ? pi::userCanceledErr : pi::readErr);
    EXPECT_EQ(outcome.failedSelector, pi::filterSelectorStart);
    EXPECT_EQ(moduleState().lastFailureCode, userStop ? kFailAborted : kFailBandRead);
    EXPECT_EQ(outcome.deliveries, 2) << "no band is asked for after the stop";
    EXPECT_TRUE(rectEmpty(getOutRect(host.record())));
  }
}

// A refusal tells the user why (here through the host's error text), ends the run with 1,
// asks for no pixels and leaves the document as it was.
TEST_F(SelectorRoad, RefusalsEndTheRunWithTheirMessage) {
  struct Case {
    int colours;        // 2: a two-channel document, which hosts call multichannel
    bool advanceState;  // the host's pixel callback
    FailureCode code;
    Refusal refusal;
  } cases[] = {{2, true, kFailMultichannel, Refusal::Multichannel}, {3, false, kFailNoAdvanceState, Refusal::HostTooOld}};
  for (const Case& c : cases) {
    const RasterImage original = makeTestImage(10, 10, SampleType::UInt8, c.colours, false);
    cli::HostDocument document = makeDocument(original);
    cli::HostOptions options;
    options.advanceState = c.advanceState;
    cli::SubstituteHost host = makeHost(options);
    const cli::RunOutcome outcome = host.run(document, RunRequest{});
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.failedSelector, pi::filterSelectorStart);
    EXPECT_EQ(moduleState().lastFailureCode, c.code);
    EXPECT_EQ(outcome.message, refusalText(c.refusal));
    EXPECT_EQ(outcome.deliveries, 0);
    EXPECT_TRUE(rectEmpty(getInRect(host.record())));
    EXPECT_TRUE(sameImage(original, document.image));
  }
  EXPECT_NE(std::string(refusalText(Refusal::Multichannel)).find("multichannel"), std::string::npos);
}

TEST_F(SelectorRoad, UnknownSelectorChangesNothing) {
  cli::HostDocument document = makeDocument(makeTestImage(8, 8, SampleType::UInt8, 3, false));
  cli::SubstituteHost host = makeHost();
  host.beginDocument(document);
  ASSERT_EQ(host.call(pi::filterSelectorParameters), 0);
  ASSERT_EQ(host.call(pi::filterSelectorPrepare), 0);
  const pi::FilterRecord before = host.record();
  const InkSettings settingsBefore = *settingsOf(host);
  for (const std::int16_t selector : {6, -1, 300}) EXPECT_EQ(host.call(selector), 0);
  EXPECT_EQ(std::memcmp(&before, &host.record(), sizeof before), 0);
  EXPECT_EQ(std::memcmp(&settingsBefore, settingsOf(host), sizeof settingsBefore), 0);
}

// A host may leave anything in the result slot; every call answers, the about call too.
TEST_F(SelectorRoad, EveryCallWritesItsResult) {
  for (const std::int16_t selector : {std::int16_t(pi::filterSelectorAbout), std::int16_t(6)}) {
    pi::AboutRecord about{};
    pi::FilterRecord record{};
    intptr_t data = 0;
    std::int16_t result = 7;
    void* passed = selector == pi::filterSelectorAbout ? static_cast<void*>(&about) : static_cast<void*>(&record);
    pluginEntry(selector, passed, &data, &result);
    EXPECT_EQ(result, 0) << "selector " << selector;
  }
}

// Progress never passes its total, even on a picture of one pixel (one task, all done).
TEST_F(SelectorRoad, ProgressStaysWithinItsTotal) {
  cli::HostDocument document = makeDocument(makeTestImage(1, 1, SampleType::UInt8, 3, false));
  std::vector<std::pair<pi::int32, pi::int32>> reports;
  cli::HostOptions options;
  options.onProgress = [&](pi::int32 done, pi::int32 total) { reports.emplace_back(done, total); };
  cli::SubstituteHost host = makeHost(options);
  ASSERT_EQ(host.run(document, RunRequest{}).result, 0);
  ASSERT_FALSE(reports.empty());
  for (const auto& [done, total] : reports) EXPECT_LE(done, total);
  EXPECT_EQ(reports.back().first, reports.back().second) << "a finished render shows a full bar";
}

TEST_F(SelectorRoad, FailedHandleAllocationsAndLocks) {
  struct Case {
    bool stateKept;  // the host already holds a state handle, so only the settings are made
    cli::HostMemoryFaults faults;
    FailureCode code;
  } cases[] = {
      {true, {0, false, false, false}, kFailSettingsHandle},
      {false, {1, false, false, false}, kFailStateHandle},
      {false, {-1, true, false, false}, kFailLock},
  };
  for (const Case& c : cases) {
    cli::HostDocument document = makeDocument(makeTestImage(8, 8, SampleType::UInt8, 3, false));
    cli::SubstituteHost host = makeHost();
    host.beginDocument(document);
    if (c.stateKept) host.dataSlot() = reinterpret_cast<intptr_t>(cli::newHostHandle(sizeof(FilterState)));
    cli::setHostMemoryFaults(c.faults);
    EXPECT_EQ(host.call(pi::filterSelectorParameters), pi::memFullErr);
    EXPECT_EQ(moduleState().lastFailureCode, c.code);
    cli::setHostMemoryFaults({});
  }
}

TEST_F(SelectorRoad, StartWithoutRecordsReportsBadParameters) {
  cli::HostDocument document = makeDocument(makeTestImage(8, 8, SampleType::UInt8, 3, false));
  cli::SubstituteHost host = makeHost();
  host.beginDocument(document);
  EXPECT_EQ(host.call(pi::filterSelectorStart), pi::filterBadParameters);
}

TEST_F(SelectorRoad, PrepareLowersTheHostsMemoryRequest) {
  // 100 x 3000 pixels, 3 planes and a selection: two 256-row tiles of four planes.
  std::vector<std::uint8_t> mask(100 * 3000, 255);
  cli::HostDocument masked = makeDocument(makeFlat(100, 3000, SampleType::UInt8, 3, false, 0.5), mask);
  cli::SubstituteHost host = makeHost();
  host.beginDocument(masked);
  host.call(pi::filterSelectorParameters);
  host.call(pi::filterSelectorPrepare);
  EXPECT_EQ(host.record().maxSpace, 2 * 4 * 100 * 256);
  EXPECT_EQ(host.record().bufferSpace, 0);

  cli::HostDocument plain = makeDocument(makeFlat(100, 3000, SampleType::UInt8, 3, false, 0.5));
  cli::HostOptions small;
  small.maxSpace = 1000;
  cli::SubstituteHost frugal = makeHost(small);
  frugal.beginDocument(plain);
  frugal.call(pi::filterSelectorParameters);
  frugal.call(pi::filterSelectorPrepare);
  EXPECT_EQ(frugal.record().maxSpace, 1000) << "never raised";
}

// Parameters asks for the dialog, start spends the request, continue asks for nothing more.
TEST_F(SelectorRoad, PhaseByPhase) {
  cli::HostDocument document = makeDocument(makeTestImage(8, 8, SampleType::UInt8, 3, false));
  cli::SubstituteHost host = makeHost();
  host.beginDocument(document);
  ASSERT_EQ(host.call(pi::filterSelectorParameters), 0);
  EXPECT_EQ(stateOf(host)->showDialog, 1);
  EXPECT_EQ(stateOf(host)->preview.buffer, nullptr);
  ASSERT_EQ(host.call(pi::filterSelectorPrepare), 0);
  ASSERT_EQ(host.call(pi::filterSelectorStart), 0);
  EXPECT_EQ(stateOf(host)->showDialog, 0);
  EXPECT_FALSE(rectEmpty(getOutRect(host.record()))) << "start leaves its last band for the host to take";
  EXPECT_EQ(host.call(pi::filterSelectorContinue), 0);
  EXPECT_TRUE(rectEmpty(getInRect(host.record())));
  EXPECT_TRUE(rectEmpty(getOutRect(host.record())));
  EXPECT_TRUE(rectEmpty(getMaskRect(host.record())));
  EXPECT_EQ(moduleState().lastFailureCode, kFailContinueCalled);
  host.call(pi::filterSelectorFinish);
}

TEST_F(SelectorRoad, KeptRecordsOfAnOlderSizeAreReplaced) {
  cli::HostDocument document = makeDocument(makeTestImage(8, 8, SampleType::UInt8, 3, false));
  cli::SubstituteHost host = makeHost();
  host.beginDocument(document);
  // A host that kept a 16-byte settings record from an older filter.
  host.parametersHandle() = cli::newHostHandle(16);
  host.call(pi::filterSelectorParameters);
  ASSERT_NE(settingsOf(host), nullptr);
  EXPECT_GE(cli::hostHandleSize(host.record().parameters), pi::int32(sizeof(InkSettings)));
}

}  // namespace
}  // namespace qm::test
