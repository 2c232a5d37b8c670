// SPDX-License-Identifier: LicenseRef-Quillmark
// The module state: the host's pointers for the current entry call, the locked records,
// and the diagnostic failure code. Rewritten at every call of PluginMain, because the host
// may move or reallocate its records between calls. Process-wide and unguarded: the host
// calls PluginMain on one thread, one call at a time.
#pragma once

#include <cstdint>

#include "host/plugin_interface.h"

namespace qm {

struct InkSettings;
struct FilterState;

// Diagnostic failure codes: which failure path was taken last. Nothing acts on them; they
// tell a developer (and the tests) where a run stopped.
enum FailureCode : std::int16_t {
  kFailNoAdvanceState = 102,
  kFailMultichannel = 103,
  kFailSettingsHandle = 105,
  kFailStateHandle = 106,
  kFailLock = 108,
  kFailPlanarRead = 109,
  kFailGrowBuffer = 225,
  kFailWorkingImage = 226,
  kFailWorkingBuffers = 227,
  kFailAborted = 228,
  kFailBandRead = 231,
  kFailContinueCalled = 1005,
};

struct ModuleState {
  pi::FilterRecord* record = nullptr;  // null during the about call
  pi::AboutRecord* about = nullptr;    // only during the about call
  intptr_t* dataSlot = nullptr;        // holds the FilterState handle between calls
  std::int16_t* result = nullptr;
  pi::SPBasicSuite* basicSuite = nullptr;
  void* moduleHandle = nullptr;
  InkSettings* settings = nullptr;     // valid from the lock step to the end of the call
  FilterState* state = nullptr;
  std::int16_t lastFailureCode = 0;
  bool dialogOpen = false;
  // The generator's seed of this run, drawn at prepare: every render after a dialog starts
  // from it, so the document gets the random draws its preview had.
  std::uint32_t renderSeed = 0;
  // The memory dots' kept map was read by this run's start: only then does the run's end
  // write it back, so a host that calls finish without a start cannot wipe the user's dots.
  bool dotMapRead = false;
};

ModuleState& moduleState();

// The host result of the current call.
std::int16_t currentResult();
void setResult(std::int16_t result);
// Sets the host result and records where it happened.
void fail(std::int16_t result, FailureCode code);
void noteFailure(FailureCode code);

}  // namespace qm
