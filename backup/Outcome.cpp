#include "backup/Outcome.h"

namespace stowlark {

std::string ListFailures(const Failures& failures) {
  std::string lines;
  for (std::size_t i = 0; i < failures.size() && i < kFailuresShown; ++i) {
    if (i > 0) lines += "\r\n";
    lines += failures[i].path + ": " + failures[i].reason;
  }
  if (failures.size() > kFailuresShown) {
    lines += "\r\nand " + std::to_string(failures.size() - kFailuresShown) + " more.";
  }
  return lines;
}

}  // namespace stowlark
