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
  return prompt;
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
