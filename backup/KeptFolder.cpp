#include "backup/KeptFolder.h"

#include "backup/FolderOps.h"

namespace stowlark {
namespace {

// A name taken that often is no longer a run of the same second.
constexpr int kMostTries = 1000;

// " (n)" with n a number, or nothing at all.
bool IsTakenSuffix(std::string_view rest) {
  if (rest.empty()) return true;
  if (!rest.starts_with(" (") || !rest.ends_with(')') || rest.size() < 4) return false;
  return rest.substr(2, rest.size() - 3).find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

// Full stops, not colons, between the hours, minutes and seconds: a colon is
// no part of a file name on any Windows.
std::string KeptFolderName(std::string_view run, const LocalTime& at) {
  // Appended, not joined with +: GCC 12 takes the inlined join for an
  // overlapping copy and refuses the optimised build.
  std::string name(run);
  name.append(" ").append(DateText(at)).append(" ").append(TwoDigits(at.hour));
  name.append(".").append(TwoDigits(at.minute)).append(".").append(TwoDigits(at.second));
  return name;
}

std::optional<LocalTime> TimeOfKeptFolder(std::string_view name, std::string_view run) {
  // "Backup 2026-12-07 19.46.05": the run, then 19 characters of time.
  if (!name.starts_with(run) || name.size() < run.size() + 20 || name[run.size()] != ' ' ||
      name[run.size() + 14] != '.' || !IsTakenSuffix(name.substr(run.size() + 20))) {
    return std::nullopt;
  }
  return ParseLocalTime(name.substr(run.size() + 1, 19));
}

LocalTime KeptFolderTime(FileSystem& files, const std::string& keptFolder, std::string_view run,
                         const LocalTime& startedAt) {
  std::vector<Entry> entries;
  files.List(keptFolder, entries);
  std::optional<LocalTime> newest;
  for (const auto& entry : entries) {
    const auto made =
        entry.kind == EntryKind::Folder ? TimeOfKeptFolder(entry.name, run) : std::nullopt;
    if (made && (!newest || *made > *newest)) newest = made;
  }
  // A folder of the very second the run started in is another run of that
  // second, which " (n)" tells apart.
  if (!newest || *newest <= startedAt) return startedAt;
  return TimeOfSeconds(SecondsOf(*newest) + 1);
}

RunKeptFolder::RunKeptFolder(FileSystem& files, std::string keptFolder, std::string_view run,
                             const LocalTime& startedAt, bool preview)
    : files_(files),
      root_(std::move(keptFolder)),
      run_(run),
      startedAt_(startedAt),
      preview_(preview) {}

std::error_code RunKeptFolder::Make(std::string& folder, std::string& obstacle) {
  folder = path_;
  if (!path_.empty()) return {};
  obstacle = root_;
  // The root is the program's own: a link there would send what is kept
  // into a folder of the user's.
  const PathInfo root = files_.Inspect(root_);
  if (root.isLink) return CopyError::KeptFolderIsLink;
  if (root.kind == EntryKind::File) return CopyError::TargetIsNotFolder;
  if (root.kind == EntryKind::Missing && !preview_) {
    if (const auto error = files_.CreateFolder(root_)) return error;
  }
  const std::string name =
      root_ + "\\" + KeptFolderName(run_, KeptFolderTime(files_, root_, run_, startedAt_));
  std::error_code error;
  for (int again = 1; again <= kMostTries; ++again) {
    obstacle = again == 1 ? name : name + " (" + std::to_string(again) + ")";
    error = preview_ ? (files_.Inspect(obstacle).kind == EntryKind::Missing
                            ? std::error_code{}
                            : std::make_error_code(std::errc::file_exists))
                     : files_.CreateFolder(obstacle);
    if (error != std::errc::file_exists) break;
  }
  if (error) return error;
  folder = path_ = obstacle;
  return {};
}

void RunKeptFolder::UnmakeIfEmpty() {
  if (holds_ || path_.empty()) return;
  if (!preview_) files_.RemoveEmptyFolder(path_);
  path_.clear();
}

}  // namespace stowlark
