// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/selectors.h"

#include <algorithm>

#include "host/area_request.h"
#include "host/filter_state.h"
#include "host/host_coordinates.h"
#include "host/host_handles.h"
#include "host/host_image.h"
#include "host/main_dialog.h"
#include "host/messages.h"
#include "host/module_state.h"
#include "host/host_render.h"
#include "host/scripting.h"
#include "platform/platform.h"
#include "platform/random_generator.h"
#include "settings/cached_settings.h"
#include "settings/four_char_code.h"
#include "settings/memory_dot_map.h"
#include "settings/ink_settings.h"

namespace qm {
namespace {

constexpr std::int32_t kRequestTile = 256;

pi::FilterRecord& record() { return *moduleState().record; }

// A record handle that is missing, or smaller than this version of the record (kept by the
// host from an older version of the filter), is made anew.
template <typename Record>
bool provideRecordHandle(pi::Handle& slot) {
  constexpr auto size = std::int32_t(sizeof(Record));
  if (slot && ensureHandleSize(slot, size)) return true;
  if (slot) disposeHandle(slot);
  slot = newHandle(size);
  return slot != nullptr;
}

pi::Handle stateHandle() { return reinterpret_cast<pi::Handle>(*moduleState().dataSlot); }

// Locks both records into the module state; false (and the result set) when that fails.
bool lockRecords() {
  ModuleState& module = moduleState();
  module.settings = nullptr;
  module.state = nullptr;
  pi::Handle settingsHandle = record().parameters;
  pi::Handle state = stateHandle();
  if (!settingsHandle || !state) {
    setResult(pi::filterBadParameters);
    return false;
  }
  module.settings = static_cast<InkSettings*>(lockHandle(settingsHandle));
  module.state = static_cast<FilterState*>(lockHandle(state));
  if (!module.settings || !module.state) {
    module.settings = nullptr;
    module.state = nullptr;
    fail(pi::memFullErr, kFailLock);
    return false;
  }
  adoptFilterState(*module.state);
  return true;
}

// Creates what is missing (or too small) of the two records and locks them; a record made
// anew gets its view reset. False when the records cannot be had (the result says why).
bool provideRecords(bool resetViewAlways) {
  ModuleState& module = moduleState();
  pi::Handle state = stateHandle();
  const pi::Handle keptSettings = record().parameters;
  const pi::Handle keptState = state;
  // A copy: the record is packed, so its handle field cannot be bound to a reference.
  pi::Handle settings = record().parameters;
  if (!provideRecordHandle<InkSettings>(settings)) fail(pi::memFullErr, kFailSettingsHandle);
  record().parameters = settings;
  if (!provideRecordHandle<FilterState>(state)) fail(pi::memFullErr, kFailStateHandle);
  *module.dataSlot = reinterpret_cast<intptr_t>(state);
  if (currentResult() != pi::noErr || !lockRecords()) return false;
  const bool madeAnew = !keptSettings || !keptState || keptSettings != record().parameters || keptState != state;
  if (resetViewAlways || madeAnew) resetView(*module.state);
  return true;
}

// The filter pulls its pixels itself in pieces, so the host need reserve only about two
// tiles of all planes.
void lowerMaxSpace() {
  const pi::VRect filter = getFilterRect(record());
  const std::int64_t planes = record().planes + (record().haveMask || record().maskData ? 1 : 0);
  const std::int64_t wanted = 2 * planes * std::min(rectHeight(filter), kRequestTile) *
                              std::min(rectWidth(filter), kRequestTile);
  if (record().maxSpace > wanted) record().maxSpace = pi::int32(std::max<std::int64_t>(wanted, 0));
  if (record().maxSpace64 > wanted) record().maxSpace64 = std::max<std::int64_t>(wanted, 0);
}

// A seed the host offers for reproducible runs; the substitute host answers it, real hosts
// do not know the property and the clock decides.
std::uint32_t randomSeed() {
  const pi::PropertyProcs* procs = record().propertyProcs;
  if (procs && procs->numPropertyProcs >= 1 && procs->getPropertyProc) {
    intptr_t seed = -1;
    pi::Handle unused = nullptr;
    if (procs->getPropertyProc(fourCharCode("Qmrk"), fourCharCode("seed"), 0, &seed, &unused) == pi::noErr &&
        seed >= 0 && seed <= INT32_MAX)
      return std::uint32_t(seed);
  }
  return platform::clockSeconds();
}

// Every end of a run, finished or not, keeps the memory dots the user chose to keep.
void cleanUp(FilterState& state) {
  if (moduleState().dotMapRead) writeMap();
  moduleState().dotMapRead = false;
  freeWorkingSet(state);
}

bool refuseIfUnable() {
  if (!record().advanceState) {
    showRefusal(Refusal::HostTooOld);
    fail(1, kFailNoAdvanceState);
    return true;
  }
  if (isMultichannel(record())) {
    showRefusal(Refusal::Multichannel);
    fail(1, kFailMultichannel);
    return true;
  }
  return false;
}

// A run that the host does not replay with recorded settings starts from the look the last
// applied run left behind.
bool hostBringsSettings() {
  return hostSuppliesDescriptor(record()) && record().descriptorParameters->descriptor != nullptr;
}

void prepareRun(InkSettings& settings, FilterState& state) {
  if (!hostBringsSettings()) loadCachedSettings(settings);
  readMap();
  moduleState().dotMapRead = true;
  resetUndo(state.undo);
  setText(settings.loadFolder, "");
  setText(settings.saveFolder, "");
  setText(settings.htmlExportPath, "");
  settings.psdExportSizeMode = 3;
}

}  // namespace

void doParameters() {
  provideRecords(true);
  if (FilterState* state = moduleState().state) state->showDialog = 1;
}

void doPrepare() {
  ModuleState& module = moduleState();
  if (!provideRecords(false)) return;
  announce32BitCoordinates(record());
  lowerMaxSpace();
  resetForRun(*module.settings);
  record().bufferSpace = 0;
  record().bufferSpace64 = 0;
  module.dialogOpen = false;
  module.renderSeed = randomSeed();
  seedRandom(module.renderSeed);
}

void doStart() {
  if (!lockRecords()) return;
  ModuleState& module = moduleState();
  InkSettings& settings = *module.settings;
  FilterState& state = *module.state;
  announce32BitCoordinates(record());
  settings.previewEnabled = record().advanceState && record().displayPixels && !settings.previewSuppressed;
  if (!provideWorkingSet(state)) {
    fail(3, kFailWorkingBuffers);
    emptyRequest();
    return;
  }
  prepareRun(settings, state);
  if (refuseIfUnable()) {
    cleanUp(state);
    emptyRequest();
    return;
  }
  readScriptingParameters(record(), settings, state);
  // The first Undo in the dialog returns to the look it opened with, file and all.
  if (state.showDialog) PushUndo(state.undo, settings, true);
  const ui::DialogOutcome outcome =
      state.showDialog ? RunSettingsDialog(state, module.renderSeed) : ui::DialogOutcome::NotShown;
  state.showDialog = 0;
  if (outcome == ui::DialogOutcome::Ok) {
    // A preview's failure stays with the preview; the render asks the host afresh.
    setResult(pi::noErr);
    seedRandom(module.renderSeed);
  }
  if (currentResult() == pi::noErr && outcome != ui::DialogOutcome::Cancel) {
    if (renderHostImage()) {
      saveCachedSettings(settings);
      return;
    }
    // The host's error or the user's stop stays the result; nothing more is asked for.
    emptyRequest();
    cleanUp(state);
    return;
  }
  setResult(pi::userCanceledErr);
  cleanUp(state);
}

void doContinue() {
  emptyRequest();
  noteFailure(kFailContinueCalled);
}

void doFinish() {
  if (!lockRecords()) return;
  writeScriptingParameters(record(), *moduleState().settings);
  cleanUp(*moduleState().state);
}

void unlockRecords() {
  ModuleState& module = moduleState();
  if (!module.record) return;
  if (pi::Handle state = stateHandle()) unlockHandle(state);
  if (module.record->parameters) unlockHandle(module.record->parameters);
  module.settings = nullptr;
  module.state = nullptr;
}

}  // namespace qm
