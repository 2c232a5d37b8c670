// SPDX-License-Identifier: LicenseRef-Quillmark
#include "host/module_state.h"

namespace qm {

ModuleState& moduleState() {
  static ModuleState state;
  return state;
}

std::int16_t currentResult() {
  const ModuleState& module = moduleState();
  return module.result ? *module.result : std::int16_t(0);
}

void setResult(std::int16_t result) {
  ModuleState& module = moduleState();
  if (module.result) *module.result = result;
}

void noteFailure(FailureCode code) { moduleState().lastFailureCode = code; }

void fail(std::int16_t result, FailureCode code) {
  setResult(result);
  noteFailure(code);
}

}  // namespace qm
