#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "backup/Progress.h"
#include "platform/FileSystem.h"

namespace stowlark {

struct Failure {
  std::string path;
  std::string reason;
  bool operator==(const Failure&) const = default;
};
using Failures = std::vector<Failure>;

struct Folder {
  std::string path;  // without a trailing separator
  bool isLink = false;
  bool operator==(const Folder&) const = default;
};

enum class CopyError {
  SourceIsLink = 1,
  TargetIsLink,
  TargetIsNotFolder,
  TargetIsFolder,
  NotAFolder,
  TargetInsideSource,
  NameTaken,
  KeptChanging,
  Stopped,
  KeptFolderIsLink,
  ReadBackDiffers,
  ShortRead,
  TargetGone,
};
std::error_code make_error_code(CopyError error);

// Paths may end with a backslash; it is ignored.
std::error_code MakeFolder(FileSystem& files, const std::string& path);
// Makes the folder and any missing parents; a folder that exists is fine,
// a link there is not.
std::error_code EnsureFolder(FileSystem& files, const std::string& path);
// Steps from `top` into each folder of `below` ("a\b") as a walk steps,
// making those missing (a preview makes none): a link or a file on the way is
// refused, never followed; `at` names where the step stopped.
std::error_code StepDown(FileSystem& files, const std::string& top, const std::string& below,
                         bool preview, std::string& at);
bool FolderExists(FileSystem& files, const std::string& path);
std::error_code GetFolder(FileSystem& files, const std::string& path, Folder& folder);
// On failure `folders` keeps those listed before it.
std::error_code SubFolders(FileSystem& files, const Folder& folder, std::vector<Folder>& folders);
// The one check on every step into a folder, whether a walk takes it or a
// run goes to an account folder of its own choosing: a link at either end is
// refused, never followed, and a file that stands where the folder goes is
// not replaced by one.
std::optional<Failure> RefusedStep(const Folder& source, const std::string& target,
                                   const PathInfo& there);
// `path` was not copied: `twin`, whose name differs from its only in case,
// was copied to the same place before it.
Failure NameTakenBy(const std::string& path, const std::string& twin);
std::string Name(const Folder& folder);
// The folder that holds `path`: "X:\" for a folder at the top of a drive.
std::string ParentFolder(const std::string& path);
// `path` without trailing separators, but "X:\" keeps its own.
std::string WithoutTrailingSeparator(std::string path);
// `name` in `folder`, which may be the top of a drive ("X:\") or end with a
// separator.
std::string PathIn(const std::string& folder, const std::string& name);
// `path` and every folder above it, by identity: a folder that is one of
// them holds `path`, whatever spelling or link leads there.
std::vector<FileId> FoldersHolding(FileSystem& files, std::string path);
bool IsOneOf(FileSystem& files, const std::string& folder, const std::vector<FileId>& folders);

// Each file below `folder` as a copy of it would meet it: links and
// temporary files left out, known by their name alone in a backup.
void ForEachFile(FileSystem& files, const std::string& folder, bool inBackup,
                 const std::function<void(const Entry&)>& visit);
// Those files and their bytes.
Tally CountFiles(FileSystem& files, const std::string& folder, bool inBackup = false);

// Each folder's entries by the names' keys, each folder listed once, for
// walks that look up many names in few folders.
class FolderListings {
 public:
  explicit FolderListings(FileSystem& files) : files_(files) {}
  // The entry `name` in `folder`, or none there.
  const Entry* At(const std::string& folder, const std::string& name);

 private:
  FileSystem& files_;
  std::map<std::string, std::map<std::string, Entry>> folders_;
};

class RunKeptFolder;

// The chunks two files are compared in, kept from one file to the next.
struct ByteBuffers {
  std::vector<char> one;
  std::vector<char> other;
};

// The one test of whether a file need not be copied: the time stamp proves
// nothing either way, so the bytes decide, the same size first. Each file is
// read to the length its stamp gave at open; either one changing meanwhile
// counts as a difference. `going` is asked before each chunk with the bytes
// compared so far, and false ends the comparison as a difference; it is told
// the whole at the end. Both stamps, as the files were opened, where equal.
bool HoldsSameBytes(FileSystem& files, const std::string& source, const std::string& target,
                    ByteBuffers& buffers, const std::function<bool(std::uint64_t)>& going,
                    FileStamp& sourceStamp, FileStamp& targetStamp);

// Where a copy keeps each file that it replaces: at the file's relative path
// below `below` in the run's own kept folder, made when first needed. Every
// folder there is the run's own, and a link there is refused, never followed.
struct KeepAside {
  RunKeptFolder& folder;
  std::string below;  // "" for the top of the run's folder
};

// A file that a copy replaced: where it stood, and where it is kept now.
struct KeptFile {
  std::string place;
  std::string keptAt;
  bool operator==(const KeptFile&) const = default;
};

struct CopyResult {
  Failures failures;
  std::vector<KeptFile> kept;
  std::vector<std::string> added;
  std::uint64_t unchanged = 0;
  // The folder written to was no longer the one the copy began in.
  bool targetGone = false;
  bool operator==(const CopyResult&) const = default;
};
void Append(CopyResult& into, CopyResult from);

// Puts the content of `source` directly into `destination`, which is
// created with its parents when missing. Files of the same relative path are
// replaced whole, unless they hold the same bytes already; the file replaced
// is kept aside first, renamed there on the same volume and copied there
// whole on another, and a file that cannot be kept is not replaced. Nothing
// is deleted; links are never followed; no folder of the source that is the
// destination or the kept folders' root, or holds either, is entered. Goes on past
// every failure and returns them all; tells `run` of each file. Once asked to
// stop, it abandons the file in hand, whose target stays as it was, and
// copies no other. A preview writes nothing and tells what a copy would do,
// as far as looking can tell.
// What a copy to a place away from this disk asks besides: each file sent
// through to the device and read back before it takes its name, files
// too large for the place's file system left out, that system named, and
// each target folder known by its identity when entered and checked before
// every file: another volume at the letter, or a link put in its place,
// ends the copy there, and nothing more is written.
// Which ends of the copy are backups, where only the program writes, also
// matters: there a file of a temporary file's name is its own, left out at
// the source and cleared at the target, so a user's file of such a name is
// not copied into one, and is told.
struct CopyCare {
  bool verify = false;
  std::uint64_t largestFile = 0;  // none when 0
  std::string fileSystem = {};
  bool fromBackup = false;
  bool intoBackup = false;
  bool watchTarget = false;
};

CopyResult Copy(FileSystem& files, const Folder& source, const std::string& destination,
                const KeepAside& keep, CopyRun& run, bool preview = false,
                const CopyCare& care = {});

// One file to copy from a path of its own: a version kept aside, say.
struct FileToCopy {
  std::string source;
  std::string relative;  // where it goes below the destination: "acc\sub\name"
  bool operator==(const FileToCopy&) const = default;
};

// As Copy, but each file from its own source, to its relative path below
// `destination`, what it replaces kept below the same relative path.
CopyResult CopyEach(FileSystem& files, const std::vector<FileToCopy>& each,
                    const std::string& destination, const KeepAside& keep, CopyRun& run,
                    bool preview = false);

}  // namespace stowlark

template <>
struct std::is_error_code_enum<stowlark::CopyError> : std::true_type {};
