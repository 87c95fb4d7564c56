#include "backup/FolderOps.h"

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "backup/KeptFolder.h"

namespace stowlark {
namespace {

// Large enough for whole-speed copies, small enough that memory does not
// grow with the size of a file.
constexpr std::size_t kChunkBytes = 1 << 20;
// A file that changes while it is read is read again at most this often.
constexpr int kRereadsOfAChangingFile = 2;

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
      case CopyError::NameTaken:
        return "Another item of the same name (Windows ignores case) was already copied there";
      case CopyError::KeptChanging:
        return "The file changed while it was being copied";
      case CopyError::Stopped:
        return "Stopped before it finished";
      case CopyError::KeptFolderIsLink:
        return "The folder for replaced files is a symbolic link or junction and is not written "
               "through";
      case CopyError::ReadBackDiffers:
        return "Read back different from what was written: the drive may be failing or smaller "
               "than it claims";
      case CopyError::TargetGone:
        return "The folder written to is no longer the one the copy began in";
      case CopyError::ShortRead:
        return "The file ended before its size: the drive may be damaged";
    }
    return "Unknown copy error";
  }
};

std::string Join(const std::string& folder, std::string_view name) {
  return folder + "\\" + std::string(name);
}

// `relative` below `folder`, either of which may be empty.
std::string Below(const std::string& folder, const std::string& relative) {
  if (folder.empty()) return relative;
  return relative.empty() ? folder : Join(folder, relative);
}

constexpr char kTemporaryNameTaken[] =
    "The name is one Stowlark gives its temporary files, which a restore leaves out: rename the "
    "file to have it backed up";

std::string Parent(const std::string& path) {
  const auto separator = path.find_last_of('\\');
  return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

// FNV-1a over the bytes of a file: what was written, to compare with what
// is read back, without holding or reading the source twice.
class Digest {
 public:
  void Add(std::span<const char> bytes) {
    for (const char byte : bytes) {
      value_ = (value_ ^ static_cast<unsigned char>(byte)) * 0x100000001B3u;
    }
    size_ += bytes.size();
  }
  bool operator==(const Digest&) const = default;

 private:
  std::uint64_t value_ = 0xCBF29CE484222325u;
  std::uint64_t size_ = 0;
};

// Fills `buffer` unless the file ends first.
std::error_code ReadFull(FileReader& reader, std::span<char> buffer, std::size_t& count) {
  count = 0;
  while (count < buffer.size()) {
    std::size_t got = 0;
    if (const auto error = reader.Read(buffer.subspan(count), got)) return error;
    if (got == 0) break;
    count += got;
  }
  return {};
}

}  // namespace

bool HoldsSameBytes(FileSystem& files, const std::string& source, const std::string& target,
                    ByteBuffers& buffers, const std::function<bool(std::uint64_t)>& going,
                    FileStamp& sourceStamp, FileStamp& targetStamp) {
  std::unique_ptr<FileReader> from;
  std::unique_ptr<FileReader> to;
  if (files.OpenRead(source, from) || files.OpenRead(target, to)) return false;
  if (from->Stamp().size != to->Stamp().size) return false;
  if (buffers.one.size() < kChunkBytes) buffers.one.resize(kChunkBytes);
  if (buffers.other.size() < kChunkBytes) buffers.other.resize(kChunkBytes);
  for (std::uint64_t left = from->Stamp().size; left > 0;) {
    if (!going(from->Stamp().size - left)) return false;
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left, kChunkBytes));
    std::size_t got = 0;
    std::size_t otherGot = 0;
    if (ReadFull(*from, {buffers.one.data(), want}, got) ||
        ReadFull(*to, {buffers.other.data(), want}, otherGot) || got != want || otherGot != want ||
        !std::equal(buffers.one.begin(), buffers.one.begin() + static_cast<std::ptrdiff_t>(want),
                    buffers.other.begin())) {
      return false;
    }
    left -= want;
  }
  going(from->Stamp().size);
  FileStamp fromNow;
  FileStamp toNow;
  if (from->StampNow(fromNow) || to->StampNow(toNow) || !SameSizeAndTime(fromNow, from->Stamp()) ||
      !SameSizeAndTime(toNow, to->Stamp())) {
    return false;
  }
  sourceStamp = from->Stamp();
  targetStamp = to->Stamp();
  return true;
}

namespace {

class TreeCopier {
 public:
  TreeCopier(FileSystem& files, CopyResult& result, std::vector<FileId> forbidden,
             RunKeptFolder& kept, CopyRun& run, bool preview, const CopyCare& care)
      : files_(files),
        result_(result),
        forbidden_(std::move(forbidden)),
        kept_(kept),
        run_(run),
        preview_(preview),
        care_(care),
        buffers_{std::vector<char>(kChunkBytes), {}} {}

  // Folders wait on a stack of their own, so that no depth of tree can
  // exhaust the thread's stack.
  void Run(const std::string& source, const std::string& target, const std::string& keep,
           bool targetIsNew) {
    pending_.push_back({source, target, keep, targetIsNew});
    while (!pending_.empty() && !Halted()) {
      const Pending folder = std::move(pending_.back());
      pending_.pop_back();
      CopyContent(folder);
    }
  }

  // Each file from a source of its own to its relative path below
  // `destination`, a folder at a time, so that each is listed once. Every
  // folder below `destination` is stepped into as a walk steps: a link or a
  // file standing there is refused, never followed.
  void RunEach(const std::string& destination, const std::vector<FileToCopy>& each) {
    std::map<std::string, std::vector<const FileToCopy*>> byFolder;  // below: its files
    for (const auto& file : each) byFolder[Parent(file.relative)].push_back(&file);
    for (const auto& [below, group] : byFolder) {
      if (run_.Stopped()) return;
      const std::string target = Below(destination, below);
      std::string at;
      if (const auto error = StepDown(files_, destination, below, preview_, at)) {
        for (const auto* file : group) {
          Fail(Join(destination, file->relative), error);
          run_.FileFinished(0, false);
        }
        continue;
      }
      keptHere_ = {below, std::nullopt, {}};
      const Existing existing = ListTarget(target);
      for (const auto* file : group) {
        if (run_.Stopped()) return;
        const std::string name = file->relative.substr(file->relative.find_last_of('\\') + 1);
        const auto found = existing.find(files_.NameKey(name));
        const Entry* current = found == existing.end() ? nullptr : &found->second;
        const std::optional<Entry> entry = SourceEntry(file->source);
        if (!entry) {
          Fail(file->source, CopyError::NotAFolder);
          continue;
        }
        const std::string to = Join(target, current ? current->name : name);
        run_.FileFinished(entry->stamp.size, CopyFile(file->source, to, *entry, current));
      }
    }
  }

 private:
  // What the listing of its folder says of a source file, each folder listed once.
  std::optional<Entry> SourceEntry(const std::string& path) {
    const std::string folder = Parent(path);
    auto listed = sourceListings_.find(folder);
    if (listed == sourceListings_.end()) {
      std::vector<Entry> entries;
      files_.List(folder, entries);
      Existing byName;
      for (auto& entry : entries) byName.emplace(files_.NameKey(entry.name), std::move(entry));
      listed = sourceListings_.emplace(folder, std::move(byName)).first;
    }
    const auto found = listed->second.find(files_.NameKey(path.substr(folder.size() + 1)));
    if (found == listed->second.end() || found->second.isLink ||
        found->second.kind != EntryKind::File) {
      return std::nullopt;
    }
    return found->second;
  }

  struct Pending {
    std::string source;
    std::string target;
    std::string keep;  // where below the run's kept folder its replaced files go
    bool targetIsNew;  // spares listing a folder that was just created
  };
  using Existing = std::map<std::string, Entry>;  // by name key
  enum class Pass { Done, Changed, Failed, Stopped };
  // Where the files replaced in the target in hand are kept: the path below
  // the run's folder, the full path once made, and the folders made for it
  // that hold no kept file yet.
  struct KeptHere {
    std::string below;
    std::optional<std::string> folder;
    std::vector<std::string> made;
  };

  void CopyContent(const Pending& folder) {
    keptHere_ = {folder.keep, std::nullopt, {}};
    if (!Watch(folder.target)) return;
    const Existing existing = folder.targetIsNew ? Existing{} : ListTarget(folder.target);
    std::vector<Entry> entries;
    const auto listing = files_.List(folder.source, entries);
    std::map<std::string, std::string> taken;  // name key: the path copied under it
    for (const auto& entry : entries) {
      if (Halted()) return;
      if (IsOwnTemporary(entry, care_.fromBackup)) continue;
      const std::string from = Join(folder.source, entry.name);
      if (entry.isLink) {
        Fail(from, CopyError::SourceIsLink);
        continue;
      }
      if (care_.intoBackup && IsOwnTemporary(entry, true)) {
        result_.failures.push_back({from, kTemporaryNameTaken});
        run_.FileFinished(entry.stamp.size, false);
        continue;
      }
      const std::string key = files_.NameKey(entry.name);
      if (const auto [twin, first] = taken.emplace(key, from); !first) {
        result_.failures.push_back(NameTakenBy(from, twin->second));
        if (entry.kind == EntryKind::File) run_.FileFinished(entry.stamp.size, false);
        continue;
      }
      const auto found = existing.find(key);
      const Entry* current = found == existing.end() ? nullptr : &found->second;
      // A target whose name differs only in case is the same entry to Windows.
      const std::string to = Join(folder.target, current ? current->name : entry.name);
      if (entry.kind == EntryKind::Folder) {
        PrepareFolder(from, to, current);
      } else {
        run_.FileFinished(entry.stamp.size, CopyFile(from, to, entry, current));
      }
    }
    if (listing) Fail(folder.source, listing);
  }

  // One listing of the target folder stands in for a look at each target
  // path, and clears what earlier runs that were cut short left behind.
  Existing ListTarget(const std::string& target) {
    std::vector<Entry> entries;
    files_.List(target, entries);
    Existing existing;
    for (auto& entry : entries) {
      if (IsOwnTemporary(entry, care_.intoBackup)) {
        if (!preview_) files_.RemoveStale(Join(target, entry.name), !care_.intoBackup);
      } else {
        existing.emplace(files_.NameKey(entry.name), std::move(entry));
      }
    }
    return existing;
  }

  void PrepareFolder(const std::string& source, const std::string& target, const Entry* current) {
    const PathInfo there = current ? PathInfo{current->kind, current->isLink} : PathInfo{};
    if (auto refused = RefusedStep({source, false}, target, there)) {
      return result_.failures.push_back(std::move(*refused));
    }
    if (IsOneOf(files_, source, forbidden_)) return Fail(source, CopyError::TargetInsideSource);
    if (!current && !preview_ && StillWatched()) {
      if (const auto error = files_.CreateFolder(target)) return Fail(target, error);
    }
    pending_.push_back(
        {source, target, Below(keptHere_.below, Name({target})), current == nullptr});
  }

  // True when the target now holds the file whole.
  bool CopyFile(const std::string& source, const std::string& target, const Entry& entry,
                const Entry* current) {
    if (current && current->isLink) return Fail(target, CopyError::TargetIsLink), false;
    if (current && current->kind == EntryKind::Folder) {
      return Fail(target, CopyError::TargetIsFolder), false;
    }
    if (care_.largestFile != 0 && entry.stamp.size > care_.largestFile) {
      result_.failures.push_back({target, "The file is 4 GB or larger, which a " +
                                              care_.fileSystem + " drive cannot hold"});
      return false;
    }
    // Even a time set on a file of the same bytes is a write.
    if (!StillWatched()) return false;
    // Left alone, a file of the same bytes costs no write, whatever its time
    // says, and a file that another program holds open fails only when there
    // is something to change.
    if (current && entry.stamp.size == current->stamp.size && AlreadyHolds(source, target)) {
      ++result_.unchanged;
      return true;
    }
    if (preview_) return Foresee(source, target, current);
    for (int pass = 0; pass <= kRereadsOfAChangingFile; ++pass) {
      const Pass done = CopyOnce(source, target, current);
      if (done == Pass::Stopped) return false;
      if (done != Pass::Changed) return done == Pass::Done;
    }
    Fail(source, CopyError::KeptChanging);
    return false;
  }

  // A target of the same bytes and another time only takes the source's
  // time: replaced, it would push out the copy kept before it.
  bool AlreadyHolds(const std::string& source, const std::string& target) {
    FileStamp from;
    FileStamp to;
    const auto going = [&](std::uint64_t done) {
      run_.InFile(done);
      return !run_.Stopped();
    };
    if (!HoldsSameBytes(files_, source, target, buffers_, going, from, to)) return false;
    // A time that cannot be set leaves the bytes right; the next run only
    // compares them again.
    if (!preview_ && !files_.SameWriteTime(from.lastWriteTime, to.lastWriteTime)) {
      files_.SetWriteTime(target, from.lastWriteTime);
    }
    return true;
  }

  // What the copy of a file would meet, found by looking alone: the source
  // opened for reading as the copy opens it, and the place where the file it
  // replaces would be kept.
  bool Foresee(const std::string& source, const std::string& target, const Entry* current) {
    std::unique_ptr<FileReader> reader;
    if (const auto error = files_.OpenRead(source, reader)) return Fail(source, error), false;
    if (!current) {
      result_.added.push_back(target);
      return true;
    }
    std::string keptAt;
    if (const auto error = KeptPlace(current->name, keptAt)) return NotKept(target, error), false;
    result_.kept.push_back({target, keptAt});
    return true;
  }

  Pass CopyOnce(const std::string& source, const std::string& target, const Entry* current) {
    std::unique_ptr<FileReader> reader;
    if (const auto error = files_.OpenRead(source, reader))
      return Fail(source, error), Pass::Failed;
    std::unique_ptr<FileWriter> writer;
    if (const auto error = files_.CreateTemporary(Parent(target), writer)) {
      return Fail(target, error), Pass::Failed;
    }
    std::string failedPath = source;
    std::error_code error = Transfer(*reader, *writer, target, failedPath);
    // An abandoned file leaves its target as it was; dropping the writer
    // removes what was written of it.
    if (error == CopyError::Stopped) return Pass::Stopped;
    FileStamp now;
    // A file that shrank while it was read has changed; it is read again.
    if (!error || error == CopyError::ShortRead) {
      if (const auto stamped = reader->StampNow(now))
        error = stamped;
      else if (!SameSizeAndTime(now, reader->Stamp()))
        return Pass::Changed;
    }
    if (!error && care_.verify) {
      failedPath = target;
      error = ReadBack(*writer);
    }
    if (error) return Fail(failedPath, error), Pass::Failed;
    if (current) return ReplaceKeeping(*writer, reader->Stamp(), target, *current);
    if (const auto commit = writer->Commit(reader->Stamp(), target, AtTarget::Nothing)) {
      return Fail(target, commit), Pass::Failed;
    }
    result_.added.push_back(target);
    return Pass::Done;
  }

  // At every moment the file replaced is whole at its place or in the kept
  // folder, and the new one whole at its place or in its temporary file.
  Pass ReplaceKeeping(FileWriter& writer, const FileStamp& stamp, const std::string& target,
                      const Entry& current) {
    std::string keptAt;
    std::error_code error = KeptPlace(current.name, keptAt);
    bool renamed = false;
    if (!error) {
      error = files_.Move(target, keptAt);
      renamed = !error;
      if (error == std::errc::cross_device_link) error = CopyAside(target, keptAt);
    }
    if (error) {
      UnmakeKeptFolders();
      if (error == CopyError::Stopped) return Pass::Stopped;
      return NotKept(target, error), Pass::Failed;
    }
    result_.kept.push_back({target, keptAt});
    // After a rename nothing stands at the target; after a copy the old file still does.
    const AtTarget there = renamed            ? AtTarget::Nothing
                           : current.readOnly ? AtTarget::ReadOnlyFile
                                              : AtTarget::File;
    if (const auto commit = writer.Commit(stamp, target, there)) {
      // Put back where it was; should even that fail, it stays kept and is told.
      if (!renamed || !files_.Move(keptAt, target)) {
        result_.kept.pop_back();
        UnmakeKeptFolders();
      } else {
        Holds();
      }
      return Fail(target, commit), Pass::Failed;
    }
    Holds();
    return Pass::Done;
  }

  // Where the file of `name` goes. Nothing stands there in a folder the run
  // made; should something appear meanwhile, the move fails rather than
  // replace it.
  std::error_code KeptPlace(const std::string& name, std::string& keptAt) {
    if (!keptHere_.folder) {
      if (const auto error = EnsureKeptFolder()) return error;
    }
    keptAt = keptObstacle_ = Join(*keptHere_.folder, name);
    return {};
  }

  // Makes the run's folder, then every folder between it and the kept folder
  // in hand, where nothing may be a link: a folder of the user's linked in
  // there would receive the kept files. A preview makes none.
  std::error_code EnsureKeptFolder() {
    std::string path;
    if (const auto error = kept_.Make(path, keptObstacle_)) return error;
    for (std::size_t at = 0; at < keptHere_.below.size() && !preview_;) {
      const std::size_t end = std::min(keptHere_.below.find('\\', at), keptHere_.below.size());
      path = keptObstacle_ = Join(path, keptHere_.below.substr(at, end - at));
      at = end + 1;
      const PathInfo info = files_.Inspect(path);
      if (info.isLink) return CopyError::KeptFolderIsLink;
      if (info.kind == EntryKind::File) return CopyError::TargetIsNotFolder;
      if (info.kind == EntryKind::Missing) {
        if (const auto error = files_.CreateFolder(path)) return error;
        keptHere_.made.push_back(path);
      }
    }
    keptHere_.folder = Below(path, preview_ ? keptHere_.below : "");
    return {};
  }

  // Folders are made for a file only once it is kept in them: those made for
  // a file that was not are taken away again, and the next file looks afresh.
  void UnmakeKeptFolders() {
    for (auto folder = keptHere_.made.rbegin(); folder != keptHere_.made.rend(); ++folder) {
      files_.RemoveEmptyFolder(*folder);
    }
    keptHere_.made.clear();
    keptHere_.folder.reset();
    kept_.UnmakeIfEmpty();
  }

  void Holds() {
    keptHere_.made.clear();
    kept_.Holds();
  }

  // The file at `place` copied whole to `keptAt`, for a kept folder on
  // another volume.
  std::error_code CopyAside(const std::string& place, const std::string& keptAt) {
    std::unique_ptr<FileReader> reader;
    std::unique_ptr<FileWriter> writer;
    if (const auto error = files_.OpenRead(place, reader)) return error;
    if (const auto error = files_.CreateTemporary(*keptHere_.folder, writer)) return error;
    std::string failedPath;
    if (const auto error = Transfer(*reader, *writer, keptAt, failedPath)) return error;
    FileStamp now;
    if (const auto error = reader->StampNow(now)) return error;
    if (!SameSizeAndTime(now, reader->Stamp())) return CopyError::KeptChanging;
    return writer->Commit(reader->Stamp(), keptAt, AtTarget::Nothing);
  }

  // The written file sent through to the device, then read from it once and
  // compared with what was written, before it may take its name.
  std::error_code ReadBack(FileWriter& writer) {
    std::unique_ptr<FileReader> back;
    if (const auto error = writer.Flush()) return error;
    if (const auto error = writer.OpenReadBack(back)) return error;
    Digest read;
    for (std::size_t count = 1; count > 0;) {
      if (const auto error = back->Read(buffers_.one, count)) return error;
      read.Add({buffers_.one.data(), count});
    }
    return read == written_ ? std::error_code{} : CopyError::ReadBackDiffers;
  }

  std::error_code Transfer(FileReader& reader, FileWriter& writer, const std::string& target,
                           std::string& failedPath) {
    written_ = {};
    // Reading stops at the size the stamp gave: a file that grew meanwhile
    // shows in its stamp afterwards, and one read per file is saved. A stop
    // is heard between chunks, so that no file, however large, holds it up.
    for (std::uint64_t left = reader.Stamp().size; left > 0;) {
      if (run_.Stopped()) return CopyError::Stopped;
      std::size_t count = 0;
      const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left, kChunkBytes));
      if (const auto error = reader.Read({buffers_.one.data(), want}, count)) return error;
      // A directory that claims more than its clusters hold (a stick pulled
      // mid-write) ends the read early: the rest is not in the file.
      if (count == 0) {
        shortRead_ = {reader.Stamp().size - left, reader.Stamp().size};
        return CopyError::ShortRead;
      }
      left -= count;
      if (const auto error = writer.Write({buffers_.one.data(), count})) {
        failedPath = target;
        return error;
      }
      if (care_.verify) written_.Add({buffers_.one.data(), count});
      run_.InFile(reader.Stamp().size - left);
    }
    return {};
  }

  bool Halted() const { return result_.targetGone || run_.Stopped(); }

  // The target folder in hand, known by its identity where the copy asks it.
  bool Watch(const std::string& target) {
    if (!care_.watchTarget || preview_) return true;
    watched_ = target;
    if (files_.Identify(target, watchedId_)) result_.targetGone = true;
    return !result_.targetGone;
  }

  // Whether the folder written to is still the one entered: not another
  // volume at its letter, nor a link put in its place.
  bool StillWatched() {
    if (!care_.watchTarget || preview_) return true;
    FileId now;
    if (files_.Identify(watched_, now) || now != watchedId_) result_.targetGone = true;
    return !result_.targetGone;
  }

  // A full drive is said plainly, whatever words the system has for it.
  void Fail(const std::string& path, std::error_code error) {
    result_.failures.push_back({path, Reason(error)});
  }

  std::string Reason(std::error_code error) const {
    if (error == std::errc::no_space_on_device) return "The drive is full";
    if (error != CopyError::ShortRead) return error.message();
    return "only " + std::to_string(shortRead_.first) + " of " + std::to_string(shortRead_.second) +
           " bytes could be read: the drive may be damaged";
  }

  // Names where the keeping failed, which lies in the kept folders, not
  // beside the file named.
  void NotKept(const std::string& target, std::error_code error) {
    result_.failures.push_back(
        {target, "Not replaced, as the file there could not be kept aside: " + keptObstacle_ +
                     ": " + error.message()});
  }

  FileSystem& files_;
  CopyResult& result_;
  const std::vector<FileId> forbidden_;
  RunKeptFolder& kept_;
  CopyRun& run_;
  const bool preview_;
  const CopyCare& care_;
  Digest written_;
  std::vector<Pending> pending_;
  std::map<std::string, Existing> sourceListings_;  // by folder
  KeptHere keptHere_;
  std::string keptObstacle_;                           // where keeping the file in hand last looked
  std::pair<std::uint64_t, std::uint64_t> shortRead_;  // bytes read, of the size at open
  std::string watched_;
  FileId watchedId_;
  ByteBuffers buffers_;
};

}  // namespace

std::error_code make_error_code(CopyError error) {
  static const CopyErrorCategory category;
  return {static_cast<int>(error), category};
}

namespace {

// The top of a drive ("E:\") or of a share ("\\nas\share") is what the
// system says it is: Wine shows the top of a mounted drive, and the folder a
// share stands for, as a link.
bool IsRoot(const std::string& path) {
  if (path.size() == 3 && path[1] == ':' && path[2] == '\\') return true;
  if (!path.starts_with("\\\\")) return false;
  const auto share = path.find('\\', 2);
  return share != std::string::npos && path.find('\\', share + 1) == std::string::npos;
}

}  // namespace

std::error_code EnsureFolder(FileSystem& files, const std::string& path) {
  const PathInfo info = files.Inspect(path);
  if (info.kind == EntryKind::Folder && (!info.isLink || IsRoot(path))) return {};
  if (info.isLink) return CopyError::TargetIsLink;
  if (info.kind == EntryKind::File) return CopyError::TargetIsNotFolder;
  const std::string parent = Parent(path);
  if (parent.size() > 2 && parent != path) {
    if (const auto error = EnsureFolder(files, parent)) return error;
  }
  return files.CreateFolder(path);
}

std::error_code StepDown(FileSystem& files, const std::string& top, const std::string& below,
                         bool preview, std::string& at) {
  at = top.ends_with('\\') ? top.substr(0, top.size() - 1) : top;
  for (std::size_t from = 0; from < below.size();) {
    const std::size_t end = std::min(below.find('\\', from), below.size());
    at = Join(at, below.substr(from, end - from));
    from = end + 1;
    const PathInfo info = files.Inspect(at);
    if (info.isLink) return CopyError::TargetIsLink;
    if (info.kind == EntryKind::File) return CopyError::TargetIsNotFolder;
    if (info.kind == EntryKind::Missing && !preview) {
      if (const auto error = files.CreateFolder(at)) return error;
    }
  }
  return {};
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

std::optional<Failure> RefusedStep(const Folder& source, const std::string& target,
                                   const PathInfo& there) {
  const auto refused = [](const std::string& path, CopyError error) {
    return Failure{path, make_error_code(error).message()};
  };
  if (source.isLink) return refused(source.path, CopyError::SourceIsLink);
  if (there.isLink) return refused(target, CopyError::TargetIsLink);
  if (there.kind == EntryKind::File) return refused(target, CopyError::TargetIsNotFolder);
  return std::nullopt;
}

Failure NameTakenBy(const std::string& path, const std::string& twin) {
  return {path, make_error_code(CopyError::NameTaken).message() + ", from " + twin};
}

std::string Name(const Folder& folder) {
  return folder.path.substr(folder.path.find_last_of('\\') + 1);
}

std::string ParentFolder(const std::string& path) {
  const std::string parent = Parent(path);
  return parent.size() == 2 && parent[1] == ':' ? parent + "\\" : parent;
}

std::string WithoutTrailingSeparator(std::string path) {
  // "C:\" keeps its separator: "C:" alone would mean the drive's current folder.
  while (path.size() > 3 && path.ends_with('\\')) path.pop_back();
  return path;
}

std::string PathIn(const std::string& folder, const std::string& name) {
  return (folder.ends_with('\\') ? folder : folder + "\\") + name;
}

// The folder a copy goes to and every folder above it, by identity: a walk
// that entered one of them would find its own output and grow until the disk
// or the path length gave out, whatever spelling or link led it there.
std::vector<FileId> FoldersHolding(FileSystem& files, std::string path) {
  std::vector<FileId> folders;
  for (; path.size() > 2; path = Parent(path)) {
    FileId id;
    if (!files.Identify(path, id)) folders.push_back(id);
  }
  return folders;
}

bool IsOneOf(FileSystem& files, const std::string& folder, const std::vector<FileId>& folders) {
  FileId id;
  return !files.Identify(folder, id) &&
         std::find(folders.begin(), folders.end(), id) != folders.end();
}

const Entry* FolderListings::At(const std::string& folder, const std::string& name) {
  auto listed = folders_.find(folder);
  if (listed == folders_.end()) {
    std::vector<Entry> entries;
    files_.List(folder, entries);
    std::map<std::string, Entry> byKey;
    for (auto& entry : entries) byKey.emplace(files_.NameKey(entry.name), std::move(entry));
    listed = folders_.emplace(folder, std::move(byKey)).first;
  }
  const auto found = listed->second.find(files_.NameKey(name));
  return found == listed->second.end() ? nullptr : &found->second;
}

void ForEachFile(FileSystem& files, const std::string& folder, bool inBackup,
                 const std::function<void(const Entry&)>& visit) {
  std::vector<std::string> pending{folder};
  std::vector<Entry> entries;
  while (!pending.empty()) {
    const std::string current = std::move(pending.back());
    pending.pop_back();
    entries.clear();
    files.List(current, entries);
    for (const auto& entry : entries) {
      if (entry.isLink || IsOwnTemporary(entry, inBackup)) continue;
      if (entry.kind == EntryKind::Folder) {
        pending.push_back(Join(current, entry.name));
      } else {
        visit(entry);
      }
    }
  }
}

Tally CountFiles(FileSystem& files, const std::string& folder, bool inBackup) {
  Tally tally;
  ForEachFile(files, folder, inBackup, [&](const Entry& entry) {
    ++tally.files;
    tally.bytes += entry.stamp.size;
  });
  return tally;
}

void Append(CopyResult& into, CopyResult from) {
  const auto move = [](auto& to, auto& more) {
    to.insert(to.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
  };
  move(into.failures, from.failures);
  move(into.kept, from.kept);
  move(into.added, from.added);
  into.unchanged += from.unchanged;
  into.targetGone = into.targetGone || from.targetGone;
}

namespace {

// The destination made with its parents where missing (a preview only looks);
// false, with the failure told, where it cannot be.
bool ReadyDestination(FileSystem& files, const std::string& destination, bool preview,
                      bool& missing, CopyResult& result) {
  missing = files.Inspect(destination).kind == EntryKind::Missing;
  if (const auto error =
          preview && missing ? std::error_code{} : EnsureFolder(files, destination)) {
    result.failures.push_back({destination, error.message()});
    return false;
  }
  return true;
}

}  // namespace

CopyResult CopyEach(FileSystem& files, const std::vector<FileToCopy>& each,
                    const std::string& destination, const KeepAside& keep, CopyRun& run,
                    bool preview) {
  CopyResult result;
  bool missing = false;
  if (!ReadyDestination(files, destination, preview, missing, result)) return result;
  const CopyCare care;
  TreeCopier(files, result, {}, keep.folder, run, preview, care).RunEach(destination, each);
  return result;
}

CopyResult Copy(FileSystem& files, const Folder& source, const std::string& destination,
                const KeepAside& keep, CopyRun& run, bool preview, const CopyCare& care) {
  CopyResult result;
  std::vector<FileId> forbidden = FoldersHolding(files, destination);
  const std::vector<FileId> holdingKept = FoldersHolding(files, keep.folder.Root());
  forbidden.insert(forbidden.end(), holdingKept.begin(), holdingKept.end());
  if (IsOneOf(files, source.path, forbidden)) {
    result.failures.push_back(
        {destination, make_error_code(CopyError::TargetInsideSource).message()});
    return result;
  }
  bool missing = false;
  if (!ReadyDestination(files, destination, preview, missing, result)) return result;
  TreeCopier(files, result, std::move(forbidden), keep.folder, run, preview, care)
      .Run(source.path, destination, keep.below, missing);
  return result;
}

}  // namespace stowlark
