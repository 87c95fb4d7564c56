#include "backup/Outcome.h"

#include "platform/MessagePort.h"

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

std::optional<std::string> Unreachable(FileSystem& files, const std::string& folder,
                                       std::string_view what) {
  if (files.Inspect(folder).kind == EntryKind::Folder) return std::nullopt;
  return "your " + std::string(what) + " folder cannot be reached:\r\n" + folder +
         "\r\nIf it is on a drive or share that is not connected, connect it and try again.";
}

Outcome WithKept(Outcome outcome, std::string_view run, std::vector<KeptFile> kept,
                 const std::string& folder) {
  if (kept.empty()) return outcome;
  const bool one = kept.size() == 1;
  outcome.prompt += "\r\n\r\n" + std::to_string(kept.size()) + (one ? " file" : " files") +
                    " that this " + std::string(run) + " replaced " + (one ? "was" : "were") +
                    " kept in:\r\n" + folder;
  outcome.kept = std::move(kept);
  outcome.keptFolder = folder;
  return outcome;
}

Outcome StoppedOutcome(const std::string& title, const std::string& finished, const CopyRun& run,
                       const Failures& failures) {
  std::string prompt = "Stopped before it finished.\r\n" + finished + " " +
                       std::to_string(run.Done().files) + " of " +
                       std::to_string(run.Planned().files) + " files; the others were not copied.";
  if (!failures.empty()) {
    prompt += "\r\n\r\nThese items could not be copied:\r\n\r\n" + ListFailures(failures);
  }
  return {title, kStyleWarning, prompt};
}

}  // namespace stowlark
