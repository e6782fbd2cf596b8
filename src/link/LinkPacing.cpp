// Names of the link's pacings.
#include "link/LinkPacing.h"

namespace velmar::link {

const char* PacingName(LinkPacing pacing) { return pacing == LinkPacing::fast ? "fast" : "exact"; }

std::optional<LinkPacing> ParsePacing(const std::string& name) {
  if (name == "exact") return LinkPacing::exact;
  if (name == "fast") return LinkPacing::fast;
  return std::nullopt;
}

}  // namespace velmar::link
