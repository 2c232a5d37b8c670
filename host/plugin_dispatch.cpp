// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/plugin_dispatch.h"

#include <exception>
#include <new>

#include "host/messages.h"
#include "host/module_state.h"
#include "host/plugin_interface.h"
#include "host/plugin_interface_layout.h"
#include "host/selectors.h"
#include "platform/platform.h"
#include "render/working_set.h"

namespace qm {
namespace {

void enter(std::int16_t selector, void* record, intptr_t* data, std::int16_t* result) {
  ModuleState& module = moduleState();
  module.record = nullptr;
  module.about = nullptr;
  module.settings = nullptr;
  module.state = nullptr;
  module.dataSlot = data;
  module.result = result;
  // Every call answers: a host may leave anything in the slot, and would read a leftover
  // as a failure (the about call, which sets no result of its own, included).
  *result = pi::noErr;
  module.moduleHandle = platform::moduleHandle();
  if (selector == pi::filterSelectorAbout) {
    module.about = static_cast<pi::AboutRecord*>(record);
    module.basicSuite = module.about ? module.about->sSPBasic : nullptr;
  } else {
    module.record = static_cast<pi::FilterRecord*>(record);
    module.basicSuite = module.record ? module.record->sSPBasic : nullptr;
  }
}

void dispatch(std::int16_t selector) {
  switch (selector) {
    case pi::filterSelectorAbout:
      showAbout();
      break;
    case pi::filterSelectorParameters:
      doParameters();
      break;
    case pi::filterSelectorPrepare:
      doPrepare();
      break;
    case pi::filterSelectorStart:
      doStart();
      break;
    case pi::filterSelectorContinue:
      doContinue();
      break;
    case pi::filterSelectorFinish:
      doFinish();
      break;
    default:
      break;
  }
}

}  // namespace

void pluginEntry(std::int16_t selector, void* record, intptr_t* data, std::int16_t* result) {
  platform::debugOutput(">>> PluginMain 64bit\n");
  // A host that passes no record, slot or result has nothing we could work with or report into.
  if (!result || (selector != pi::filterSelectorAbout && (!record || !data))) return;
  enter(selector, record, data, result);
  try {
    dispatch(selector);
  } catch (const std::bad_alloc&) {
    setResult(pi::memFullErr);
  } catch (const std::exception& error) {
    platform::writeDiagnostic(error.what());
    setResult(pi::filterBadParameters);
  } catch (...) {
    setResult(pi::filterBadParameters);
  }
  if (selector != pi::filterSelectorAbout) unlockRecords();
  // The host may unload the library between any two calls: no worker may outlive this one.
  stopRenderWorkers();
  moduleState().record = nullptr;
  moduleState().about = nullptr;
}

}  // namespace qm
