#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/Clock.h"

namespace stowlark {

// Paths are Windows paths ("C:\a\b") in UTF-8, without a trailing separator.
// Below a resolved folder, names are taken exactly as the listing gave them.
// Errors carry the system's own category, so message() is the system's reason.

enum class EntryKind { Missing, File, Folder };

struct PathInfo {
  EntryKind kind = EntryKind::Missing;
  bool isLink = false;  // a symbolic link, junction or mount point
};

// Size and last-write time tell whether a file changed; the attributes only
// travel with it. What time and attributes mean belongs to the adapter. The
// creation time, where a listing gives it, tells when the file came to be
// where it stands: a rename keeps it. Zero where the system keeps none.
struct FileStamp {
  std::int64_t lastWriteTime = 0;
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
  std::int64_t creationTime = 0;
};

// The one rule for two last-write times, in an adapter's ticks: the same
// within two seconds, or an hour apart to two seconds. FAT keeps times to two
// seconds, in local time that a daylight-saving change moves by an hour.
inline bool SameWriteTimeIn(std::int64_t a, std::int64_t b, std::int64_t ticksASecond) {
  const std::int64_t apart = a > b ? a - b : b - a;
  const std::int64_t hourApart = apart - 3600 * ticksASecond;
  return apart <= 2 * ticksASecond ||
         (hourApart >= -2 * ticksASecond && hourApart <= 2 * ticksASecond);
}

inline bool SameSizeAndTime(const FileStamp& a, const FileStamp& b) {
  return a.size == b.size && a.lastWriteTime == b.lastWriteTime;
}

struct Entry {
  std::string name;
  EntryKind kind = EntryKind::File;
  bool isLink = false;
  bool readOnly = false;
  FileStamp stamp;
  // Carries the mark that the adapter sets on its temporary files at their
  // creation and that a user's file does not carry.
  bool temporaryMark = false;
};

// A volume as the system shows it now: the root it is reached by ("E:\"),
// what tells it from every other (serial number and label), its file
// system ("NTFS", "FAT32", "exFAT") and whether it can be taken out.
struct Volume {
  std::string root;
  std::uint32_t serial = 0;
  std::string label;
  std::string fileSystem;
  bool removable = false;
  bool operator==(const Volume&) const = default;
};

// The same two values mean the same file or folder, whatever path reached it.
struct FileId {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool operator==(const FileId&) const = default;
};

// Every temporary file of every run is named "~stowlark-<process>-<n>.partial"
// and carries the adapter's mark. Only a plain file with both is the
// program's own: no walk copies one, and a copy into a folder clears those
// that earlier runs left. A user's file of a name like it is a file like any
// other, but inside a backup, which only the program writes, the name alone
// tells its own: some drivers (FAT through FUSE) keep no mark.
inline constexpr std::string_view kTemporaryPrefix = "~stowlark-";
inline constexpr std::string_view kTemporarySuffix = ".partial";
inline std::string TemporaryName(unsigned long process, unsigned number) {
  return std::string(kTemporaryPrefix) + std::to_string(process) + "-" + std::to_string(number) +
         std::string(kTemporarySuffix);
}
inline bool IsTemporaryName(std::string_view name) {
  if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix)) return false;
  name.remove_prefix(kTemporaryPrefix.size());
  name.remove_suffix(kTemporarySuffix.size());
  const auto digits = [](std::string_view part) {
    return !part.empty() && part.find_first_not_of("0123456789") == std::string_view::npos;
  };
  const auto dash = name.find('-');
  return dash != std::string_view::npos && digits(name.substr(0, dash)) &&
         digits(name.substr(dash + 1));
}
inline bool IsOwnTemporary(const Entry& entry, bool inBackup = false) {
  return entry.kind == EntryKind::File && !entry.isLink && (entry.temporaryMark || inBackup) &&
         IsTemporaryName(entry.name);
}

// Of all reparse points only name surrogates (symbolic links, junctions,
// mount points) stand for another path; cloud placeholders and deduplicated
// files are ordinary files. A tag of 0 is none that Windows gives, so a
// reparse point without one is taken for a link, to be safe.
inline constexpr bool IsLinkTag(std::uint32_t reparseTag) {
  return reparseTag == 0 || (reparseTag & 0x20000000u) != 0;
}

class FileReader {
 public:
  virtual ~FileReader() = default;
  // Sets `count` to the bytes read; 0 at the end of the file.
  virtual std::error_code Read(std::span<char> buffer, std::size_t& count) = 0;
  // As the file was when it was opened.
  virtual FileStamp Stamp() const = 0;
  // As the file is now, asked through the open file.
  virtual std::error_code StampNow(FileStamp& now) = 0;
};

// What a commit may find at its target: nothing, and then anything that
// stands there meanwhile is never replaced; or the file it replaces, whose
// read-only flag, where the listing showed one, is lifted for the move.
enum class AtTarget { Nothing, File, ReadOnlyFile };

// A new file under a name of its own. Dropped without a successful Commit,
// it removes the file it wrote.
class FileWriter {
 public:
  virtual ~FileWriter() = default;
  virtual std::error_code Write(std::span<const char> data) = 0;
  // Applies the stamp and moves the file to `target` in one step; on failure
  // `target` is as it was (std::errc::file_exists when something stands
  // where nothing was expected).
  virtual std::error_code Commit(const FileStamp& stamp, const std::string& target,
                                 AtTarget there) = 0;
  // Sends what was written through to the device.
  virtual std::error_code Flush() = 0;
  // The written file from its start, as the device holds it rather than a
  // cache, where the system allows.
  virtual std::error_code OpenReadBack(std::unique_ptr<FileReader>& reader) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The full path as the system resolves a path that a user typed.
  virtual std::string Resolve(const std::string& path) = 0;
  // The key under which the system takes two names for the same name.
  virtual std::string NameKey(std::string_view name) = 0;
  virtual PathInfo Inspect(const std::string& path) = 0;
  virtual std::error_code Identify(const std::string& path, FileId& id) = 0;
  // One folder, whose parent must exist; fails when it exists already.
  virtual std::error_code CreateFolder(const std::string& path) = 0;
  // On failure `entries` keeps what was listed before the failure.
  virtual std::error_code List(const std::string& folder, std::vector<Entry>& entries) = 0;
  virtual std::error_code OpenRead(const std::string& path,
                                   std::unique_ptr<FileReader>& reader) = 0;
  // Creates a marked temporary file in `folder` under a name that nothing
  // stands at and no other run uses; the create fails rather than open what
  // is there.
  virtual std::error_code CreateTemporary(const std::string& folder,
                                          std::unique_ptr<FileWriter>& writer) = 0;
  // Removes a temporary file left by an earlier run, but only a plain file
  // that nobody holds open, and never through a link; it must carry the mark
  // unless `requireMark` is false, for a folder of a backup where the name
  // alone tells it.
  virtual std::error_code RemoveStale(const std::string& path, bool requireMark) = 0;
  // Renames the plain file at `from` to `to` in one step, but never over
  // anything: std::errc::file_exists when something stands at `to`. A link
  // at `from` is refused, never followed. Fails with
  // std::errc::cross_device_link when `to` is on another volume.
  virtual std::error_code Move(const std::string& from, const std::string& to) = 0;
  // Brings the last-write time of the plain file at `path` to `lastWriteTime`
  // and leaves its bytes and attributes as they are; a link is refused,
  // never followed.
  virtual std::error_code SetWriteTime(const std::string& path, std::int64_t lastWriteTime) = 0;
  // Removes the folder at `path`, and fails unless it is empty.
  virtual std::error_code RemoveEmptyFolder(const std::string& path) = 0;
  // Whether two last-write times are the same to the file systems a copy
  // meets: FAT keeps times to two seconds, and in local time, so that a
  // daylight-saving change moves every time there by an hour.
  virtual bool SameWriteTime(std::int64_t a, std::int64_t b) = 0;
  // The volume that holds `path` (which need not exist) as it stands now;
  // nothing where no volume is there, or the system cannot tell.
  virtual std::optional<Volume> VolumeOf(const std::string& path) = 0;
  // The root of every drive letter that holds a volume now.
  virtual std::vector<std::string> DriveRoots() = 0;
  // A time on the user's clock as the file system keeps times, and back.
  virtual std::int64_t FileTimeOf(const LocalTime& at) = 0;
  virtual LocalTime LocalTimeOf(std::int64_t fileTime) = 0;
};

}  // namespace stowlark
