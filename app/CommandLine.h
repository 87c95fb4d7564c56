#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/CopyTo.h"
#include "app/Schedule.h"
#include "backup/Outcome.h"
#include "settings/AutomaticRecord.h"

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
  // A restore from another folder, and as the backup was at a time.
  std::string from = {};
  std::optional<LocalTime> asOf = {};
  // A restore of these files and folders alone, "account\folder\name".
  std::vector<std::string> items = {};
  // Turns the daily automatic backup on or off, or tells how it stands.
  std::optional<ScheduleAsk> schedule = {};
  DailyTime at = {};
  // The run the scheduled task starts, which records how it ended.
  bool automatic = false;
  // Sets, stops or tells the copy away from this disk.
  std::optional<CopyToAsk> copyTo = {};
  std::string copyToPath = {};
  bool operator==(const CommandLine&) const = default;
};

// The arguments after the program's name, from all the words of a command
// line as Windows splits them. Wine's Task Scheduler 1.0 starts a job with
// its parameters alone, so a first word that is a switch is one.
std::vector<std::string> ArgumentsAfterProgram(std::vector<std::string> words);
bool IsSwitch(std::string_view word);

// The arguments as Windows splits them, quotes taken off, in UTF-8. Switches
// start with "/" or "-", ignore case and take a value after ":". A usage
// error comes back in words.
std::variant<CommandLine, std::string> ParseCommandLine(std::span<const std::string> arguments);

// Whether any argument asks for no box: one that holds /quiet or -quiet among
// its space-separated words, in any case. A scheduled task whose switches
// were quoted together still meant it, and a box there waits for nobody.
bool AsksForQuiet(std::span<const std::string> arguments);

// Whether any argument is the /schedule or /copyto switch: its answer is
// one line on the output, never a box.
bool AsksForOneLine(std::span<const std::string> arguments);

std::string UsageText();
// The usage for a proportional font: each switch and what it does on one
// line, "/backup - Back up ...", with no column to line up.
std::string WithoutColumns(std::string_view usage);

// Rising with severity, so that "if errorlevel 2" reads naturally.
int ExitCode(RunResult result);

// What a run from the command line writes: a line for each file added,
// replaced or failed, in the backup and then in its copy away from this
// disk, then the lines that sum them up.
std::vector<std::string> ReportLines(RunKind run, const Outcome& outcome, bool preview);
// The line that sums the run up, then the one for its copy, where it has one.
std::vector<std::string> SummaryLines(RunKind run, const Outcome& outcome, bool preview);

// How an automatic backup that ended so is recorded, to be told (and shown
// in a balloon) where it did not finish. A copy away from this disk that
// alone was not made, its place not being there, is told only once the
// last one made is more than a week old, or none was.
AutomaticRecord RecordOfAutomaticRun(const Outcome& outcome, const LocalTime& now,
                                     const std::string& log);

}  // namespace stowlark
