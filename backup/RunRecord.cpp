#include "backup/RunRecord.h"

#include <algorithm>
#include <memory>

#include "backup/KeptFolder.h"

namespace stowlark {
namespace {

constexpr char kHeader[] = "Stowlark backup record 1";
constexpr char kSuffix[] = ".record";
// A record of some hundred thousand files fits; a larger one is no record.
constexpr std::uint64_t kLargestRecord = 32u << 20;
constexpr std::size_t kLongestPath = 4096;
constexpr int kMostNames = 1000;

// "account\sub\name": plain names only, so that a record can lead nowhere
// but below the folder it is read against.
bool IsPlainRelative(std::string_view path) {
  if (path.empty() || path.size() > kLongestPath || path.find('\\') == std::string_view::npos) {
    return false;
  }
  for (std::size_t at = 0; at <= path.size();) {
    const std::size_t end = std::min(path.find('\\', at), path.size());
    const std::string_view name = path.substr(at, end - at);
    if (name.empty() || name == "." || name == ".." ||
        std::any_of(name.begin(), name.end(), [](char c) {
          return static_cast<unsigned char>(c) < 0x20 ||
                 std::string_view("/:*?\"<>|").find(c) != std::string_view::npos;
        })) {
      return false;
    }
    at = end + 1;
  }
  return true;
}

// The path of `full` below `folder`, empty where it is not below it.
std::string RelativeBelow(const std::string& full, const std::string& folder) {
  const std::string top = WithoutTrailingSeparator(folder) + "\\";
  return full.starts_with(top) ? full.substr(top.size()) : std::string();
}

std::optional<std::string> ReadWhole(FileSystem& files, const std::string& path) {
  std::unique_ptr<FileReader> reader;
  if (files.OpenRead(path, reader) || reader->Stamp().size > kLargestRecord) return std::nullopt;
  std::string text(static_cast<std::size_t>(reader->Stamp().size) + 1, '\0');
  std::size_t filled = 0;
  for (std::size_t count = 1; count > 0 && filled < text.size(); filled += count) {
    if (reader->Read({text.data() + filled, text.size() - filled}, count)) return std::nullopt;
  }
  // Longer or shorter than it said: changing, or damaged.
  if (filled != text.size() - 1) return std::nullopt;
  text.pop_back();
  return text;
}

std::optional<std::int64_t> Number(std::string_view digits) {
  if (digits.empty() || digits.size() > 12 ||
      digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  std::int64_t number = 0;
  for (const char digit : digits) number = number * 10 + (digit - '0');
  return number;
}

std::optional<RunRecord> Parse(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find("\r\n", at), text.size());
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  if (lines.size() < 4 || lines[0] != kHeader || lines.back() != "end" ||
      !text.ends_with("end\r\n") || !lines[1].starts_with("sequence ") ||
      !lines[2].starts_with("time ")) {
    return std::nullopt;
  }
  RunRecord record;
  const auto sequence = Number(lines[1].substr(9));
  const auto at = ParseLocalTime(lines[2].substr(5));
  if (!sequence || !at) return std::nullopt;
  record.sequence = *sequence;
  record.at = *at;
  std::size_t next = 3;
  if (lines[next].starts_with("kept ")) {
    record.keptFolder = lines[next++].substr(5);
    if (!TimeOfKeptFolder(record.keptFolder, "Backup")) return std::nullopt;
  }
  for (; next + 1 < lines.size(); ++next) {
    const std::string_view line = lines[next];
    const bool added = line.starts_with("added ");
    if (!added && (!line.starts_with("replaced ") || record.keptFolder.empty())) {
      return std::nullopt;
    }
    const std::string_view path = line.substr(added ? 6 : 9);
    if (!IsPlainRelative(path)) return std::nullopt;
    (added ? record.added : record.replaced).emplace_back(path);
  }
  return record;
}

std::string Text(const RunRecord& record) {
  std::string text = std::string(kHeader) + "\r\nsequence " + std::to_string(record.sequence) +
                     "\r\ntime " + DateText(record.at) + " " + TwoDigits(record.at.hour) + ":" +
                     TwoDigits(record.at.minute) + ":" + TwoDigits(record.at.second) + "\r\n";
  if (!record.keptFolder.empty()) text.append("kept ").append(record.keptFolder).append("\r\n");
  for (const auto& path : record.added) text.append("added ").append(path).append("\r\n");
  for (const auto& path : record.replaced) text.append("replaced ").append(path).append("\r\n");
  return text + "end\r\n";
}

bool IsRecordName(const Entry& entry) {
  return entry.kind == EntryKind::File && !entry.isLink && entry.name.starts_with("Backup ") &&
         entry.name.ends_with(kSuffix);
}

// The root is the program's own, as for the kept folders: never a link.
std::error_code ReadyRoot(FileSystem& files, const std::string& keptRoot) {
  const PathInfo root = files.Inspect(keptRoot);
  if (root.isLink) return CopyError::KeptFolderIsLink;
  if (root.kind == EntryKind::File) return CopyError::TargetIsNotFolder;
  return root.kind == EntryKind::Missing ? files.CreateFolder(keptRoot) : std::error_code{};
}

}  // namespace

std::vector<RunRecord> ReadRunRecords(FileSystem& files, const std::string& keptRoot) {
  std::vector<Entry> entries;
  files.List(keptRoot, entries);
  std::vector<std::pair<std::string, RunRecord>> found;
  for (const auto& entry : entries) {
    if (!IsRecordName(entry)) continue;
    const auto text = ReadWhole(files, keptRoot + "\\" + entry.name);
    if (auto record = text ? Parse(*text) : std::nullopt) found.emplace_back(entry.name, *record);
  }
  // Two runs that met in a shared folder may share a number: their names
  // then tell them apart.
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return a.second.sequence != b.second.sequence ? a.second.sequence < b.second.sequence
                                                  : a.first < b.first;
  });
  std::vector<RunRecord> records;
  for (auto& [name, record] : found) records.push_back(std::move(record));
  return records;
}

std::optional<Failure> RecordRun(FileSystem& files, const std::string& backupFolder,
                                 const std::string& keptRoot, const std::string& keptFolder,
                                 const LocalTime& at, const CopyResult& copied, bool preview) {
  if (preview || (copied.added.empty() && copied.kept.empty())) return std::nullopt;
  const auto records = ReadRunRecords(files, keptRoot);
  RunRecord record{records.empty() ? 1 : records.back().sequence + 1,
                   at,
                   keptFolder.empty() ? "" : RelativeBelow(keptFolder, keptRoot),
                   {},
                   {}};
  for (const auto& path : copied.added) record.added.push_back(RelativeBelow(path, backupFolder));
  for (const auto& file : copied.kept) {
    record.replaced.push_back(RelativeBelow(file.place, backupFolder));
  }
  const std::string text = Text(record);
  const std::string name =
      keptRoot + "\\" +
      (record.keptFolder.empty() ? KeptFolderName("Backup", at) : record.keptFolder);
  std::string target = name + kSuffix;
  const auto failed = [&](std::error_code error) {
    return Failure{target, "What this run wrote could not be recorded: " + error.message()};
  };
  std::unique_ptr<FileWriter> writer;
  if (const auto error = ReadyRoot(files, keptRoot)) return failed(error);
  if (const auto error = files.CreateTemporary(keptRoot, writer)) return failed(error);
  if (const auto error = writer->Write(text)) return failed(error);
  const FileStamp stamp{files.FileTimeOf(at), 0, text.size()};
  std::error_code error;
  for (int again = 2; again <= kMostNames + 1; ++again) {
    error = writer->Commit(stamp, target, AtTarget::Nothing);
    if (error != std::errc::file_exists) break;
    target = name + " (" + std::to_string(again) + ")" + kSuffix;
  }
  return error ? std::optional(failed(error)) : std::nullopt;
}

}  // namespace stowlark
