#include "backup/Progress.h"

#include <algorithm>

namespace stowlark {

CopyRun::CopyRun(CopyProgress& progress, Tally planned) : progress_(progress), planned_(planned) {
  Report(0);
}

void CopyRun::InFile(std::uint64_t bytes) { Report(done_.bytes + bytes); }

void CopyRun::FileFinished(std::uint64_t size, bool whole) {
  done_.bytes += size;
  done_.files += whole ? 1 : 0;
  Report(done_.bytes);
}

// A file read again after it changed starts from naught, and one may have
// grown since it was counted: what is shown neither falls nor passes the plan.
void CopyRun::Report(std::uint64_t bytes) {
  shown_ = std::max(shown_, std::min(bytes, planned_.bytes));
  progress_.Report({done_.files, shown_}, planned_);
}

bool CopyRun::Stopped() { return stopped_ = stopped_ || progress_.StopRequested(); }

}  // namespace stowlark
