// SPDX-License-Identifier: LicenseRef-Quillmark
#include "settings/look_keywords.h"

#include "settings/name_tables.h"

namespace qm {

std::vector<std::string> lookKeywords(const UserValues& look, int bytesPerChannel) {
  std::vector<std::string> names{styleName(look.style), lineWeightName(look.lineWeight), scaleName(look.scale)};
  if (look.blendMode != 1) names.push_back(blendName(look.blendMode));
  if (bytesPerChannel == 4) {
    names.push_back("HDR");
    names.push_back("high dynamic range");
  }
  std::vector<std::string> keywords;
  for (std::string& name : names)
    if (!name.empty()) keywords.push_back(std::move(name));
  return keywords;
}

}  // namespace qm
