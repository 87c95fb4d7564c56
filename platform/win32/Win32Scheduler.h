#pragma once

#include "platform/Scheduler.h"

namespace stowlark::win32 {

// Windows' own Task Scheduler, for the current user: 2.0 (ITaskService)
// from Windows Vista on, 1.0 (ITaskScheduler) before it. COM must be
// initialised on the calling thread.
class Win32Scheduler : public SchedulerPort {
 public:
  std::error_code Register(const TaskToRegister& task) override;
  std::error_code Remove(const std::string& name) override;
  std::error_code Read(const std::string& name, ScheduleState& state) override;
};

// Whether this Windows has Task Scheduler 2.0: Vista (6.0) and later.
bool HasTaskScheduler2();

}  // namespace stowlark::win32
