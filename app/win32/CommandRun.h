#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Controls.h"
#include "platform/win32/Handles.h"

namespace stowlark {

// The program's own full path.
std::string ProgramPath();

// The program's arguments in UTF-8, without its own name; none when nothing
// follows that name. The shell that splits them is loaded only then.
std::vector<std::string> ProgramArguments();

// Where a run from the command line writes: to the file or pipe its standard
// output goes to, else to the console it was started from, else nowhere; and
// to the log file it was given, each line with the date and time.
class CommandOutput {
 public:
  CommandOutput();
  // Opens `path` for appending, with a byte order mark when it is new; the
  // reason when it cannot be written.
  std::optional<std::string> OpenLog(const std::string& path);
  void Write(const std::vector<std::string>& lines);
  bool HasReader() const { return out_ != nullptr; }
  bool Logging() const { return static_cast<bool>(log_); }

 private:
  HANDLE out_ = nullptr;
  bool console_ = false;
  win32::UniqueFile console_out_;
  win32::UniqueFile log_;
};

// A backup or restore asked for on a command line: its lines written, its
// exit code returned.
struct CommandRun {
  CommandLine line;
  CommandOutput& output;
  // Why the automatic run has no log to write, where it has none.
  std::string noLog = {};
  // The GO picture whose click the run is.
  const Control& Go() const;
  // Opens the log, once the run holds the one-run lock; the reason when
  // the run may not start for want of it.
  std::optional<std::string> Starting() const;
  // Called with how the run ended; gives the exit code.
  int Ended(const Outcome& outcome) const;
  // What an automatic run that ended has to tell in a balloon; empty when
  // nothing.
  mutable std::string notice = {};
};

// Runs the program as its arguments ask: usage, a run with no window at
// all, or a run in the window as if GO had been clicked.
int RunCommandLine(HINSTANCE instance, int showCommand, const std::vector<std::string>& arguments);

}  // namespace stowlark
