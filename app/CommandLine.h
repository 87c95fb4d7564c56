#pragma once

#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "backup/Outcome.h"

namespace stowlark {

enum class RunKind { Backup, Restore };

// What the switches of a command line ask for. With no argument at all the
// program is the window.
struct CommandLine {
  bool usage = false;
  std::optional<RunKind> run;
  bool quiet = false;
  bool preview = false;
  std::vector<std::string> accounts;
  std::string logFile;
  bool operator==(const CommandLine&) const = default;
};

// The arguments as Windows splits them, quotes taken off, in UTF-8. Switches
// start with "/" or "-", ignore case and take a value after ":". A usage
// error comes back in words.
std::variant<CommandLine, std::string> ParseCommandLine(std::span<const std::string> arguments);

// Whether any argument asks for no box: one that holds /quiet or -quiet among
// its space-separated words, in any case. A scheduled task whose switches
// were quoted together still meant it, and a box there waits for nobody.
bool AsksForQuiet(std::span<const std::string> arguments);

std::string UsageText();

// Rising with severity, so that "if errorlevel 2" reads naturally.
int ExitCode(RunResult result);

// What a run from the command line writes: a line for each file added,
// replaced or failed, then one that sums the run up.
std::vector<std::string> ReportLines(RunKind run, const Outcome& outcome, bool preview);

}  // namespace stowlark
