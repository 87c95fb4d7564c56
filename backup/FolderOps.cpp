#include "backup/FolderOps.h"

#include <map>
#include <memory>

namespace stowlark {
namespace {

// Large enough for whole-speed copies, small enough that memory does not
// grow with the size of a file.
constexpr std::size_t kChunkBytes = 1 << 20;

class CopyErrorCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "copy"; }
  std::string message(int code) const override {
    switch (static_cast<CopyError>(code)) {
      case CopyError::SourceIsLink:
        return "Symbolic links and junctions are not copied";
      case CopyError::TargetIsLink:
        return "The target is a symbolic link or junction and is not written through";
      case CopyError::TargetIsNotFolder:
        return "A file stands where the folder should go";
      case CopyError::TargetIsFolder:
        return "A folder stands where the file should go";
      case CopyError::NotAFolder:
        return "The folder does not exist";
      case CopyError::TargetInsideSource:
        return "The folder would be copied into itself";
    }
    return "Unknown copy error";
  }
};

std::string WithoutTrailingSeparator(std::string path) {
  // "C:\" keeps its separator: "C:" alone would mean the drive's current folder.
  while (path.size() > 3 && path.ends_with('\\')) path.pop_back();
  return path;
}

std::string Join(const std::string& folder, std::string_view name) {
  return folder + "\\" + std::string(name);
}

std::string Parent(const std::string& path) {
  const auto separator = path.find_last_of('\\');
  return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

// Windows paths compare without regard to case or doubled separators.
std::string ComparablePath(const std::string& path) {
  std::string plain;
  for (char c : path) {
    if (c == '\\' && plain.ends_with('\\')) continue;
    plain += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  if (!plain.ends_with('\\')) plain += '\\';
  return plain;
}

// A copy into its own source would find its own output and grow until the
// disk or the path length gives out.
bool IsWithin(const std::string& path, const std::string& folder) {
  return ComparablePath(path).starts_with(ComparablePath(folder));
}

// Creates the folder and any missing parents; a folder that exists is fine.
std::error_code EnsureFolder(FileSystem& files, const std::string& path) {
  const PathInfo info = files.Inspect(path);
  if (info.kind == EntryKind::Folder) return {};
  if (info.isLink) return CopyError::TargetIsLink;
  if (info.kind == EntryKind::File) return CopyError::TargetIsNotFolder;
  const std::string parent = Parent(path);
  if (parent.size() > 2 && parent != path) {
    if (const auto error = EnsureFolder(files, parent)) return error;
  }
  return files.CreateFolder(path);
}

class TreeCopier {
 public:
  TreeCopier(FileSystem& files, Failures& failures)
      : files_(files), failures_(failures), buffer_(kChunkBytes) {}

  // `targetIsNew` spares listing a folder that was just created.
  void CopyContent(const std::string& source, const std::string& target, bool targetIsNew) {
    std::map<std::string, PathInfo> existing;
    if (!targetIsNew) existing = ListTarget(target);
    std::vector<Entry> entries;
    const auto listing = files_.List(source, entries);
    for (const auto& entry : entries) {
      if (entry.name == kPartialFileName) continue;
      const std::string from = Join(source, entry.name);
      const std::string to = Join(target, entry.name);
      const auto found = existing.find(entry.name);
      const PathInfo current = found == existing.end() ? PathInfo{} : found->second;
      if (entry.isLink) {
        Fail(from, CopyError::SourceIsLink);
      } else if (entry.kind == EntryKind::Folder) {
        CopyFolder(from, to, current);
      } else {
        CopyFile(from, to, current);
      }
    }
    if (listing) Fail(source, listing);
  }

 private:
  // One listing of the target folder stands in for a look at each target
  // path, and removes what a crash part way through a file left behind.
  std::map<std::string, PathInfo> ListTarget(const std::string& target) {
    std::vector<Entry> entries;
    files_.List(target, entries);
    std::map<std::string, PathInfo> existing;
    for (const auto& entry : entries) {
      if (entry.name == kPartialFileName && entry.kind == EntryKind::File && !entry.isLink) {
        files_.Remove(Join(target, entry.name));
      } else {
        existing[entry.name] = {entry.kind, entry.isLink};
      }
    }
    return existing;
  }

  void CopyFolder(const std::string& source, const std::string& target, PathInfo current) {
    if (current.isLink) return Fail(target, CopyError::TargetIsLink);
    if (current.kind == EntryKind::File) return Fail(target, CopyError::TargetIsNotFolder);
    bool isNew = current.kind == EntryKind::Missing;
    if (isNew) {
      if (const auto error = files_.CreateFolder(target)) {
        // On Windows a folder whose name differs only in case is the same
        // folder, and the listing above did not find it under this name.
        const PathInfo found = files_.Inspect(target);
        if (found.kind != EntryKind::Folder) return Fail(target, error);
        if (found.isLink) return Fail(target, CopyError::TargetIsLink);
        isNew = false;
      }
    }
    CopyContent(source, target, isNew);
  }

  void CopyFile(const std::string& source, const std::string& target, PathInfo current) {
    if (current.isLink) return Fail(target, CopyError::TargetIsLink);
    if (current.kind == EntryKind::Folder) return Fail(target, CopyError::TargetIsFolder);

    const std::string partial = Join(Parent(target), kPartialFileName);
    std::unique_ptr<FileReader> reader;
    if (const auto error = files_.OpenRead(source, reader)) return Fail(source, error);
    std::unique_ptr<FileWriter> writer;
    if (const auto error = files_.Create(partial, writer)) return Fail(target, error);

    std::string failedPath = target;
    std::error_code error = Transfer(*reader, *writer, source, failedPath);
    if (!error) error = writer->Finish(reader->Stamp());
    writer.reset();
    if (!error) error = files_.Replace(partial, target);
    if (error) {
      files_.Remove(partial);
      Fail(failedPath, error);
    }
  }

  std::error_code Transfer(FileReader& reader, FileWriter& writer, const std::string& source,
                           std::string& failedPath) {
    for (;;) {
      std::size_t count = 0;
      if (const auto error = reader.Read(buffer_, count)) {
        failedPath = source;
        return error;
      }
      if (count == 0) return {};
      if (const auto error = writer.Write({buffer_.data(), count})) return error;
    }
  }

  void Fail(const std::string& path, std::error_code error) {
    failures_.push_back({path, error.message()});
  }

  FileSystem& files_;
  Failures& failures_;
  std::vector<char> buffer_;
};

}  // namespace

std::error_code make_error_code(CopyError error) {
  static const CopyErrorCategory category;
  return {static_cast<int>(error), category};
}

std::error_code MakeFolder(FileSystem& files, const std::string& path) {
  return files.CreateFolder(WithoutTrailingSeparator(path));
}

bool FolderExists(FileSystem& files, const std::string& path) {
  return files.Inspect(WithoutTrailingSeparator(path)).kind == EntryKind::Folder;
}

std::error_code GetFolder(FileSystem& files, const std::string& path, Folder& folder) {
  const std::string plain = WithoutTrailingSeparator(path);
  const PathInfo info = files.Inspect(plain);
  if (info.kind != EntryKind::Folder) return CopyError::NotAFolder;
  folder = {plain, info.isLink};
  return {};
}

std::error_code SubFolders(FileSystem& files, const Folder& folder, std::vector<Folder>& folders) {
  std::vector<Entry> entries;
  const auto error = files.List(folder.path, entries);
  for (const auto& entry : entries) {
    if (entry.kind == EntryKind::Folder)
      folders.push_back({Join(folder.path, entry.name), entry.isLink});
  }
  return error;
}

std::string Name(const Folder& folder) {
  return folder.path.substr(folder.path.find_last_of('\\') + 1);
}

Failures Copy(FileSystem& files, const Folder& source, const std::string& destination) {
  Failures failures;
  if (IsWithin(destination, source.path)) {
    failures.push_back({destination, make_error_code(CopyError::TargetInsideSource).message()});
    return failures;
  }
  if (const auto error = EnsureFolder(files, destination)) {
    failures.push_back({destination, error.message()});
    return failures;
  }
  TreeCopier(files, failures).CopyContent(source.path, destination, false);
  return failures;
}

}  // namespace stowlark
