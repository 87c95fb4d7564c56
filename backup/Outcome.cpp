#include "backup/Outcome.h"

#include <algorithm>

#include "platform/MessagePort.h"

namespace stowlark {
namespace {

// "1 file", "2 files": every count the user reads is worded so.
std::string Files(std::uint64_t count) {
  return std::to_string(count) + (count == 1 ? " file" : " files");
}

}  // namespace

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

std::optional<std::string> Unreachable(FileSystem& files, const std::string& folder,
                                       std::string_view what) {
  if (files.Inspect(folder).kind == EntryKind::Folder) return std::nullopt;
  return "your " + std::string(what) + " folder cannot be reached:\r\n" + folder +
         "\r\nIf it is on a drive or share that is not connected, connect it and try again.";
}

Outcome WithCopied(Outcome outcome, std::string_view run, CopyResult copied,
                   const std::string& keptFolder) {
  outcome.added = std::move(copied.added);
  outcome.unchanged = copied.unchanged;
  outcome.failures = std::move(copied.failures);
  if (copied.kept.empty()) return outcome;
  const bool one = copied.kept.size() == 1;
  outcome.prompt += "\r\n\r\n" + Files(copied.kept.size()) + " that this " + std::string(run) +
                    " replaced " + (one ? "was" : "were") + " kept in:\r\n" + keptFolder;
  outcome.kept = std::move(copied.kept);
  outcome.keptFolder = keptFolder;
  return outcome;
}

std::string PreviewPrompt(const Outcome& outcome) {
  if (outcome.result != RunResult::Done && outcome.result != RunResult::Partial) {
    return outcome.prompt;
  }
  std::string prompt = "Preview: nothing was written.\r\nThe run would add " +
                       Files(outcome.added.size()) + ", replace " + Files(outcome.kept.size()) +
                       " (keeping each aside) and leave " + Files(outcome.unchanged) +
                       " unchanged.";
  if (!outcome.failures.empty()) {
    prompt += "\r\n\r\nThese items could not be copied:\r\n\r\n" + ListFailures(outcome.failures);
  }
  if (outcome.copy) prompt += "\r\n\r\n" + PlaceCopyText(*outcome.copy, true);
  return prompt;
}

std::string PlaceCopyText(const PlaceCopy& copy, bool preview) {
  const CopyResult& copied = copy.copied;
  std::string text;
  if (!copy.notMade.empty()) {
    text = NotCopiedLine(copy);
  } else if (preview) {
    text = "The copy to " + copy.folder + " would add " + Files(copied.added.size()) +
           ", replace " + Files(copied.kept.size()) + " (keeping each aside) and leave " +
           Files(copied.unchanged) + " unchanged.";
  } else {
    text = "Copied to " + copy.folder + ": " + Files(copied.added.size()) + " added, " +
           std::to_string(copied.kept.size()) + " replaced, " + std::to_string(copied.unchanged) +
           " unchanged.";
    if (!copied.kept.empty()) {
      text += "\r\nWhat it replaced was kept in:\r\n" + copy.keptFolder;
    }
  }
  if (!copied.failures.empty()) {
    text += "\r\nThese items could not be copied there:\r\n\r\n" + ListFailures(copied.failures);
  }
  return text;
}

Outcome WithPlaceCopy(Outcome outcome, PlaceCopy copy) {
  if ((!copy.notMade.empty() || !copy.copied.failures.empty()) &&
      outcome.result == RunResult::Done) {
    outcome.result = RunResult::Partial;
    outcome.style = kStyleWarning;
  }
  outcome.prompt += "\r\n\r\n" + PlaceCopyText(copy, false);
  outcome.copy = std::move(copy);
  return outcome;
}

std::optional<std::string> ChooseAccounts(FileSystem& files, std::vector<Folder>& folders,
                                          const std::vector<std::string>& names) {
  if (names.empty()) return std::nullopt;
  std::vector<Folder> chosen;
  std::string missing;
  for (const auto& name : names) {
    const auto found = std::find_if(folders.begin(), folders.end(), [&](const Folder& folder) {
      return files.NameKey(Name(folder)) == files.NameKey(name);
    });
    if (found == folders.end()) {
      missing += (missing.empty() ? "" : ", ") + name;
    } else if (std::find(chosen.begin(), chosen.end(), *found) == chosen.end()) {
      chosen.push_back(*found);
    }
  }
  if (!missing.empty()) {
    std::vector<std::string> listed;
    for (const auto& folder : folders) listed.push_back(Name(folder));
    std::sort(listed.begin(), listed.end());
    std::string there;
    for (const auto& name : listed) there += (there.empty() ? "" : ", ") + name;
    return "there is no account folder named " + missing +
           ". The account folders are: " + (there.empty() ? "none" : there) + ".";
  }
  folders = std::move(chosen);
  return std::nullopt;
}

Outcome StoppedOutcome(const std::string& title, const std::string& finished, const CopyRun& run,
                       const Failures& failures) {
  std::string prompt = "Stopped before it finished.\r\n" + finished + " " +
                       std::to_string(run.Done().files) + " of " + Files(run.Planned().files) +
                       "; the others were not copied.";
  if (!failures.empty()) {
    prompt += "\r\n\r\nThese items could not be copied:\r\n\r\n" + ListFailures(failures);
  }
  return {title, kStyleWarning, prompt, RunResult::Stopped};
}

}  // namespace stowlark
