#include "app/CommandLine.h"

#include <algorithm>
#include <cctype>

#include "app/Version.h"

namespace stowlark {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// One switch into `line`; the error in words when it is not one.
std::optional<std::string> TakeSwitch(const std::string& argument, CommandLine& line,
                                      bool& atGiven) {
  if (!IsSwitch(argument)) {
    return "Not a switch: " + argument;
  }
  const auto colon = argument.find(':');
  const std::string name = Lower(argument.substr(1, colon - 1));
  const std::optional<std::string> value =
      colon == std::string::npos ? std::nullopt : std::optional(argument.substr(colon + 1));
  if (name == "schedule") {
    const std::string ask = value ? Lower(*value) : "";
    if (value && ask != "daily" && ask != "off") {
      return "The switch /schedule takes daily or off, or no value.";
    }
    const ScheduleAsk asked = !value           ? ScheduleAsk::Show
                              : ask == "daily" ? ScheduleAsk::Daily
                                               : ScheduleAsk::Off;
    if (line.schedule && line.schedule != asked) {
      return "Give only one of /schedule, /schedule:daily and /schedule:off.";
    }
    line.schedule = asked;
    return std::nullopt;
  }
  if (name == "copyto") {
    if (value && value->empty()) return "The switch /copyto takes a folder, or off, or no value.";
    line.copyTo = !value                   ? CopyToAsk::Show
                  : Lower(*value) == "off" ? CopyToAsk::Off
                                           : CopyToAsk::Set;
    line.copyToPath = value.value_or("");
    return std::nullopt;
  }
  if (name == "at") {
    const auto at = value ? ParseDailyTime(*value) : std::nullopt;
    if (!at) return "The switch /at takes a time of day from 00:00 to 23:59, as /at:12:00.";
    line.at = *at;
    atGiven = true;
    return std::nullopt;
  }
  if (name == "asof") {
    // A date alone means the end of that day; a time is written with colons.
    const std::string text =
        value && value->size() == 10 ? *value + " 23:59:59" : value.value_or("");
    const auto at = text.size() > 13 && text[13] == ':' ? ReadLocalTime(text) : std::nullopt;
    if (!at) {
      return "The switch /asof takes a date, or a date and time, as /asof:2026-12-09 or "
             "/asof:\"2026-12-09 10:03\".";
    }
    if (at->year < kFirstYear) {
      return "There is no date " + text.substr(0, 10) + " in Windows, whose dates start at " +
             std::to_string(kFirstYear) + "-01-01.";
    }
    if (!DateExists(*at)) return "There is no date " + text.substr(0, 10) + ".";
    if (!TimeOfDayExists(*at)) return "There is no time " + text.substr(11) + ".";
    line.asOf = at;
    return std::nullopt;
  }
  if (name == "account" || name == "item" || name == "log" || name == "from") {
    if (!value || value->empty()) return "The switch /" + name + " needs a value after \":\".";
    std::string& once = name == "log" ? line.logFile : line.from;
    if (name == "account" || name == "item") {
      (name == "item" ? line.items : line.accounts).push_back(*value);
    } else if (!once.empty()) {
      return "The switch /" + name + " may be given once.";
    } else {
      once = *value;
    }
    return std::nullopt;
  }
  bool* flag = name == "quiet"       ? &line.quiet
               : name == "preview"   ? &line.preview
               : name == "automatic" ? &line.automatic
               : name == "?"         ? &line.usage
                                     : nullptr;
  const std::optional<RunKind> run = name == "backup"    ? std::optional(RunKind::Backup)
                                     : name == "restore" ? std::optional(RunKind::Restore)
                                                         : std::nullopt;
  if (flag == nullptr && !run) return "Unknown switch: " + argument;
  if (value) return "The switch /" + name + " takes no value.";
  if (flag != nullptr) *flag = true;
  if (run && line.run && line.run != run) return "Give only one of /backup and /restore.";
  if (run) line.run = run;
  return std::nullopt;
}

// Built afresh rather than replaced in place: GCC 12 takes the inlined
// in-place replace for an overlapping copy and refuses the optimised build.
std::string Flattened(std::string_view text) {
  std::string flat;
  flat.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    const bool lineBreak = text.substr(at, 2) == "\r\n";
    flat += lineBreak ? ' ' : text[at];
    at += lineBreak;
  }
  return flat;
}

}  // namespace

bool AsksForQuiet(std::span<const std::string> arguments) {
  for (const auto& argument : arguments) {
    std::string words(1, ' ');
    words.append(Lower(argument)).push_back(' ');
    std::replace(words.begin(), words.end(), '\t', ' ');
    for (const char* quiet : {" /quiet ", " -quiet "}) {
      if (words.find(quiet) != std::string::npos) return true;
    }
  }
  return false;
}

bool IsSwitch(std::string_view word) {
  return word.size() >= 2 && (word[0] == '/' || word[0] == '-');
}

std::vector<std::string> ArgumentsAfterProgram(std::vector<std::string> words) {
  if (!words.empty() && !IsSwitch(words.front())) words.erase(words.begin());
  return words;
}

bool AsksForOneLine(std::span<const std::string> arguments) {
  return std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
    const std::string name = Lower(argument.substr(0, argument.find(':')));
    return name.size() > 1 && (name[0] == '/' || name[0] == '-') &&
           (name.substr(1) == "schedule" || name.substr(1) == "copyto");
  });
}

std::variant<CommandLine, std::string> ParseCommandLine(std::span<const std::string> arguments) {
  CommandLine line;
  bool atGiven = false;
  for (const auto& argument : arguments) {
    if (auto error = TakeSwitch(argument, line, atGiven)) return *error;
  }
  if (line.usage) return line;
  if (line.copyTo && (line.run || line.schedule || line.preview || !line.accounts.empty() ||
                      !line.logFile.empty() || line.automatic || atGiven)) {
    return std::string("The switch /copyto goes with /quiet alone.");
  }
  if (line.schedule) {
    if (line.run) return std::string("Give /schedule without /backup or /restore.");
    if (line.preview || !line.accounts.empty() || !line.logFile.empty() || line.automatic) {
      return std::string("The switch /schedule goes with /at and /quiet alone.");
    }
  }
  if (atGiven && line.schedule != ScheduleAsk::Daily) {
    return std::string("The switch /at goes with /schedule:daily.");
  }
  if (line.automatic && line.run != RunKind::Backup) {
    return std::string("The switch /automatic goes with /backup.");
  }
  if ((!line.from.empty() || line.asOf) && line.run != RunKind::Restore) {
    return std::string("The switches /from and /asof go with /restore.");
  }
  if (!line.items.empty() && line.run != RunKind::Restore) {
    return std::string("The switch /item goes with /restore.");
  }
  if (!line.run && !line.schedule && !line.copyTo) {
    return std::string("Give /backup, /restore, /schedule or /copyto.");
  }
  return line;
}

std::string UsageText() {
  return "Stowlark " STOWLARK_VERSION
         "\r\n"
         "\r\n"
         "Stowlark backs up and restores the account folders of MSN Messenger.\r\n"
         "\r\n"
         "Stowlark.exe /backup | /restore [/quiet] [/preview] [/account:NAME ...] [/log:FILE]\r\n"
         "Stowlark.exe /restore [/from:FOLDER] [/asof:DATE[ TIME]] [/item:PATH ...] ...\r\n"
         "Stowlark.exe /schedule[:daily [/at:HH:MM] | :off]\r\n"
         "Stowlark.exe /copyto[:FOLDER | :off]\r\n"
         "\r\n"
         "  /backup        Back up every account folder into Documents\\Stowlark.\r\n"
         "  /restore       Copy the backup back over the messenger's data folder.\r\n"
         "  /quiet         Show no window and no message box.\r\n"
         "  /preview       Write nothing; list what the run would add and replace.\r\n"
         "  /account:NAME  Only this account folder; may be given more than once.\r\n"
         "  /log:FILE      Append a line for each file and a summary to FILE.\r\n"
         "  /from:FOLDER   Restore from FOLDER (a stick, say), or its Stowlark folder.\r\n"
         "  /asof:\"YYYY-MM-DD HH:MM\"\r\n"
         "                 Restore every file as the backup held it then; a date\r\n"
         "                 alone means the end of that day.\r\n"
         "  /item:PATH     Restore only this file or folder of the backup, written\r\n"
         "                 account\\folder\\name; may be given more than once.\r\n"
         "  /schedule:daily\r\n"
         "                 Back up every day at 12:00, or at the time /at:HH:MM gives,\r\n"
         "                 run by Windows' Task Scheduler.\r\n"
         "  /schedule:off  Back up by hand only.\r\n"
         "  /schedule      Tell whether Stowlark backs up every day, and when.\r\n"
         "  /copyto:FOLDER Also copy every backup to FOLDER, on a USB stick, another\r\n"
         "                 drive or a network folder, into FOLDER\\Stowlark.\r\n"
         "  /copyto:off    Copy backups nowhere else.\r\n"
         "  /copyto        Tell where backups are also copied, and when last.\r\n"
         "  /automatic     Used by the daily task: log to Automatic backups.log and\r\n"
         "                 tell a backup that did not finish.\r\n"
         "  /?             Show this text.\r\n"
         "\r\n"
         "Files a run replaces are kept in Documents\\Stowlark Replaced.\r\n"
         "Without arguments Stowlark opens its window.\r\n"
         "Exit codes: 0 done, 1 nothing to do, 2 finished but some items were not copied,\r\n"
         "3 stopped before the end, 4 not started.";
}

std::string WithoutColumns(std::string_view usage) {
  std::string text;
  bool described = true;  // whether the switch in hand has its words yet
  while (!usage.empty()) {
    const auto end = std::min(usage.find("\r\n"), usage.size());
    std::string_view line = usage.substr(0, end);
    usage.remove_prefix(std::min(end + 2, usage.size()));
    const auto words = line.find_first_not_of(' ');
    if (words == std::string_view::npos || words < 2) {
      text.append(text.empty() ? "" : "\r\n").append(line);
      continue;
    }
    line.remove_prefix(words);
    if (words > 2) {  // a description, or its next line
      text.append(described ? " " : " - ").append(line);
      described = true;
      continue;
    }
    const auto gap = line.find("  ");
    text.append("\r\n").append(line.substr(0, gap));
    described = gap != std::string_view::npos;
    if (described) text.append(" - ").append(line.substr(line.find_first_not_of(' ', gap)));
  }
  return text;
}

int ExitCode(RunResult result) { return static_cast<int>(result); }

namespace {

void AddFileLines(std::vector<std::string>& lines, const std::vector<std::string>& added,
                  const std::vector<KeptFile>& kept, const Failures& failures, bool preview) {
  for (const auto& path : added) lines.push_back((preview ? "Would add " : "Added ") + path);
  for (const auto& [place, keptAt] : kept) {
    lines.push_back(preview ? "Would replace " + place + ", keeping it in " + keptAt
                            : "Replaced " + place + ", kept in " + keptAt);
  }
  for (const auto& [path, reason] : failures) {
    lines.push_back("Not copied: " + path + ": " + reason);
  }
}

std::string Counts(const std::vector<std::string>& added, const std::vector<KeptFile>& kept,
                   std::uint64_t unchanged, const Failures& failures) {
  return std::to_string(added.size()) + " added, " + std::to_string(kept.size()) + " replaced, " +
         std::to_string(unchanged) + " unchanged, " + std::to_string(failures.size()) +
         " not copied.";
}

// A backup found elsewhere, told with the switch that restores from it in
// place of the window's question.
std::string OfferLine(const Outcome& outcome) {
  const std::string& prompt = outcome.prompt;
  const auto paragraph = prompt.find("\r\n\r\n");
  const std::string& folder = outcome.offer->folder;
  std::string line = Flattened(prompt.substr(0, paragraph));
  // The statement of where, without its full stop: how to restore follows.
  line.append(" ").append(prompt, paragraph + 4, prompt.size() - paragraph - 5);
  line.append(prompt.find("Backups were found") == std::string::npos ? "; restore from it"
                                                                     : "; restore from the first");
  const bool quoted = folder.find(' ') != std::string::npos;
  return line.append(" with /restore /from:")
      .append(quoted ? "\"" : "")
      .append(folder)
      .append(quoted ? "\"" : "");
}

}  // namespace

std::vector<std::string> SummaryLines(RunKind run, const Outcome& outcome, bool preview) {
  const std::string what = run == RunKind::Backup ? "Backup" : "Restore";
  const std::string counts =
      Counts(outcome.added, outcome.kept, outcome.unchanged, outcome.failures);
  std::vector<std::string> lines;
  switch (outcome.result) {
    case RunResult::Done:
    case RunResult::Partial:
      lines.push_back((preview ? "Preview of a " + Lower(what) + ": " : what + " finished: ") +
                      counts);
      break;
    case RunResult::Stopped:
      lines.push_back(what + " stopped before the end: " + counts);
      break;
    case RunResult::NothingToDo:
    case RunResult::NotStarted:
      lines.push_back(outcome.offer ? OfferLine(outcome) : Flattened(outcome.prompt));
      break;
  }
  if (!outcome.copy) return lines;
  const PlaceCopy& copy = *outcome.copy;
  const CopyResult& copied = copy.copied;
  const std::string copyCounts =
      Counts(copied.added, copied.kept, copied.unchanged, copied.failures);
  lines.push_back(!copy.notMade.empty() ? NotCopiedLine(copy)
                  : preview ? "Preview of the copy to " + copy.folder + ": " + copyCounts
                            : "Copied to " + copy.folder + ": " + copyCounts);
  return lines;
}

AutomaticRecord RecordOfAutomaticRun(const Outcome& outcome, const LocalTime& now,
                                     const std::string& log) {
  AutomaticRecord record{DateAndMinute(now), ExitCode(outcome.result), "", false, log};
  for (const auto& line : SummaryLines(RunKind::Backup, outcome, false)) {
    record.summary += (record.summary.empty() ? "" : "\r\n") + line;
  }
  const PlaceCopy* copy = outcome.copy ? &*outcome.copy : nullptr;
  if (copy && outcome.result == RunResult::Partial && outcome.failures.empty() &&
      !copy->notMade.empty() && !copy->refused && copy->copied.failures.empty()) {
    record.summary = CopyReminder(copy->record);
    record.told = !CopyOverdue(copy->record, now);
  }
  return record;
}

std::vector<std::string> ReportLines(RunKind run, const Outcome& outcome, bool preview) {
  std::vector<std::string> lines;
  // As of a time, a preview names the version each file would get.
  for (const auto& [source, relative] : preview ? outcome.versions : std::vector<FileToCopy>{}) {
    lines.push_back("Version of " + relative + ": " + source);
  }
  AddFileLines(lines, outcome.added, outcome.kept, outcome.failures, preview);
  if (outcome.copy) {
    const CopyResult& copied = outcome.copy->copied;
    AddFileLines(lines, copied.added, copied.kept, copied.failures, preview);
  }
  for (auto& line : SummaryLines(run, outcome, preview)) lines.push_back(std::move(line));
  return lines;
}

}  // namespace stowlark
