#include "backup/BackupMark.h"

#include <memory>

#include "backup/FolderOps.h"
#include "backup/SecondPlace.h"

namespace stowlark {
namespace {

constexpr std::string_view kMarkText =
    "This folder is a backup made by Stowlark: a folder for each account of the messenger.\r\n"
    "To restore it, choose Restore from... in Stowlark's menu, or run\r\n"
    "Stowlark.exe /restore /from:\"<this folder>\"\r\n";

}  // namespace

std::error_code MarkAsBackup(FileSystem& files, const std::string& folder, const LocalTime& at) {
  const PathInfo info = files.Inspect(folder);
  if (info.isLink) return CopyError::TargetIsLink;
  if (info.kind != EntryKind::Folder) return CopyError::NotAFolder;
  const std::string mark = PathIn(folder, kBackupMarkName);
  const PathInfo there = files.Inspect(mark);
  if (there.kind != EntryKind::Missing || there.isLink) return {};
  std::unique_ptr<FileWriter> writer;
  if (const auto error = files.CreateTemporary(folder, writer)) return error;
  if (const auto error = writer->Write(kMarkText)) return error;
  return writer->Commit({files.FileTimeOf(at), 0, kMarkText.size()}, mark, AtTarget::Nothing);
}

bool HoldsBackupMark(FileSystem& files, const std::string& folder) {
  const PathInfo info = files.Inspect(PathIn(folder, kBackupMarkName));
  return info.kind == EntryKind::File && !info.isLink;
}

bool IsStowlarkFolderName(FileSystem& files, std::string_view name) {
  const std::string key = files.NameKey(name);
  return key == files.NameKey(kCopyFolderName) || key == files.NameKey(kCopyKeptFolderName);
}

}  // namespace stowlark
