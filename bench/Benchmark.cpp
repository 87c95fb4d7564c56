#include "bench/Benchmark.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <random>

#include "backup/KeptFolder.h"
#include "backup/Outcome.h"
#include "backup/RestoreList.h"
#include "platform/ForwardingFileSystem.h"

namespace stowlark::bench {
namespace {

constexpr int kAccounts = 20;
constexpr int kSmallFiles = 5000;
constexpr int kLargeFiles = 20;
constexpr int kRuns = 5;
constexpr int kChangedEvery = 100;  // the repeated backup after 1 % of the files changed
const char* const kKinds[] = {"CustomEmoticons", "DisplayPictures", "Backgrounds"};

bool WriteFile(FileSystem& files, const std::string& path, std::size_t size, std::mt19937& random) {
  std::string content(size, '\0');
  for (auto& c : content) c = static_cast<char>(random());
  std::unique_ptr<FileWriter> writer;
  return !files.CreateTemporary(path.substr(0, path.find_last_of('\\')), writer) &&
         !writer->Write(content) && !writer->Commit({}, path, AtTarget::File);
}

std::string ItemPath(const std::string& folder, int index) {
  return folder + "\\user" + std::to_string(index % kAccounts) + "@example.com\\" +
         kKinds[index % 3] + "\\item" + std::to_string(index) + ".png";
}

// 20 accounts, about 5,000 files of 2 to 64 KB in nested folders, and 20 of 1 MB.
// Returns the size of every item, by index.
std::vector<std::size_t> BuildMessengerFolder(FileSystem& files, const std::string& folder,
                                              std::mt19937& random) {
  std::uniform_int_distribution<std::size_t> smallSize(2 * 1024, 64 * 1024);
  for (int account = 0; account < kAccounts; ++account) {
    const std::string accountFolder = folder + "\\user" + std::to_string(account) + "@example.com";
    files.CreateFolder(accountFolder);
    for (const char* kind : kKinds) files.CreateFolder(accountFolder + "\\" + kind);
  }
  std::vector<std::size_t> sizes;
  for (int i = 0; i < kSmallFiles + kLargeFiles; ++i) {
    sizes.push_back(i < kSmallFiles ? smallSize(random) : std::size_t{1} << 20);
    if (!WriteFile(files, ItemPath(folder, i), sizes.back(), random)) sizes.back() = 0;
  }
  return sizes;
}

// Rewrites every hundredth item with new bytes of the same size, so that only
// the content and the time tell the change.
void ChangeOnePercent(FileSystem& files, const std::string& folder,
                      const std::vector<std::size_t>& sizes, std::mt19937& random) {
  for (std::size_t i = 0; i < sizes.size(); i += kChangedEvery) {
    if (sizes[i] != 0) WriteFile(files, ItemPath(folder, static_cast<int>(i)), sizes[i], random);
  }
}

// One contender: how it backs up and restores, and what is cleared before
// each first copy. Its times are kept per phase.
struct Contender {
  std::string name;
  std::function<bool()> backup;
  std::function<bool()> restore;
  std::function<void()> clear;
  std::vector<double> times[4];
  bool ok = true;
};

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void Time(Platform& platform, Contender& contender, int phase, const std::function<bool()>& run) {
  if (platform.settle) platform.settle();
  const auto start = std::chrono::steady_clock::now();
  contender.ok = run() && contender.ok;
  contender.times[phase].push_back(
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

// Counts what reaches the disk as a write, to show that a copy with nothing
// to do writes nothing.
class WriteCounter : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  int writes = 0;

  std::error_code CreateFolder(const std::string& path) override {
    ++writes;
    return inner_.CreateFolder(path);
  }
  std::error_code CreateTemporary(const std::string& folder,
                                  std::unique_ptr<FileWriter>& writer) override {
    ++writes;
    return inner_.CreateTemporary(folder, writer);
  }
  std::error_code RemoveStale(const std::string& path, bool requireMark) override {
    ++writes;
    return inner_.RemoveStale(path, requireMark);
  }
  std::error_code Move(const std::string& from, const std::string& to) override {
    ++writes;
    return inner_.Move(from, to);
  }
  std::error_code SetWriteTime(const std::string& path, std::int64_t time) override {
    ++writes;
    return inner_.SetWriteTime(path, time);
  }
  std::error_code RemoveEmptyFolder(const std::string& path) override {
    ++writes;
    return inner_.RemoveEmptyFolder(path);
  }
};

// The copy to a second place on this machine, with and without sending each
// file to the device and reading it back: first, repeated with nothing
// changed, and after 1 % changed, each as a ratio to the backup before it.
void CopyToSecondPlace(Platform& platform, const Locations& locations, const std::string& messenger,
                       const std::vector<std::size_t>& sizes, std::mt19937& random) {
  const std::string place = platform.root + "\\Stick\\Stowlark";
  NoProgress none;
  WriteCounter counting(platform.files);
  std::printf("The copy to a second place, as a ratio to the backup in the same run:\n");
  std::printf("%-24s %8s %8s %8s   %s\n", "", "first", "repeat", "1% new", "writes in the repeat");
  for (const bool verify : {true, false}) {
    std::vector<double> ratios[3];
    int repeatWrites = 0;
    for (int run = 0; run < kRuns; ++run) {
      platform.removeTree(platform.root + "\\Docs");
      platform.removeTree(platform.root + "\\Stick");
      platform.files.CreateFolder(platform.root + "\\Docs");
      for (int phase = 0; phase < 3; ++phase) {
        if (phase == 2) ChangeOnePercent(platform.files, messenger, sizes, random);
        if (platform.settle) platform.settle();
        auto start = std::chrono::steady_clock::now();
        BackupMessengerFolders(platform.files, locations, none);
        const double backup =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (platform.settle) platform.settle();
        counting.writes = 0;
        start = std::chrono::steady_clock::now();
        Folder backupFolder;
        std::vector<Folder> accounts;
        GetFolder(platform.files, locations.backupPath, backupFolder);
        SubFolders(platform.files, backupFolder, accounts);
        CopyRun copyRun(none, {});
        RunKeptFolder kept(counting, platform.root + "\\Stick\\Stowlark Replaced", "Backup",
                           {2026, 12, 7, 12, 0, run * 3 + phase}, false);
        for (const auto& account : accounts) {
          Copy(counting, account, place + "\\" + Name(account), {kept, Name(account)}, copyRun,
               false, CopyCare{verify});
        }
        ratios[phase].push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
            backup);
        if (phase == 1) repeatWrites += counting.writes;
      }
    }
    std::printf("%-24s %7.2fx %7.2fx %7.2fx   %d\n", verify ? "flushed and read back" : "neither",
                Median(ratios[0]), Median(ratios[1]), Median(ratios[2]), repeatWrites);
  }
}

constexpr LocalTime kFirstKeptRun{2026, 12, 8, 0, 0, 0};

bool WriteText(FileSystem& files, const std::string& path, const std::string& text) {
  std::unique_ptr<FileWriter> writer;
  return !files.CreateTemporary(path.substr(0, path.find_last_of('\\')), writer) &&
         !writer->Write(text) && !writer->Commit({}, path, AtTarget::Nothing);
}

// Runs recorded after the backup, up to `count`, each of which replaced one
// file and kept its earlier version.
void AddKeptRuns(FileSystem& files, const std::string& keptRoot, int from, int count,
                 std::mt19937& random) {
  const std::int64_t first = SecondsOf(kFirstKeptRun);
  for (int run = from; run < count; ++run) {
    const LocalTime at = TimeOfSeconds(first + 60 * run);
    const std::string kept = keptRoot + "\\" + KeptFolderName("Backup", at);
    const std::string item = ItemPath(kept, run % kSmallFiles);
    files.CreateFolder(kept);
    for (auto cut = item.find('\\', kept.size() + 1); cut != std::string::npos;
         cut = item.find('\\', cut + 1)) {
      files.CreateFolder(item.substr(0, cut));
    }
    WriteFile(files, item, 2048, random);
    WriteText(files, kept + ".record",
              "Stowlark backup record 1\r\nsequence " + std::to_string(1000 + run) + "\r\ntime " +
                  DateText(at) + " " + TwoDigits(at.hour) + ":" + TwoDigits(at.minute) + ":00\r\n" +
                  "kept " + KeptFolderName("Backup", at) + "\r\nreplaced " +
                  item.substr(kept.size() + 1) + "\r\nend\r\n");
  }
}

struct Listing {
  double first = 0;
  double whole = 0;
  std::size_t rows = 0;
};

Listing TimeListing(FileSystem& files, const std::string& backup,
                    const std::optional<LocalTime>& asOf, const std::string& target) {
  const std::atomic<bool> stop = false;
  Listing listing;
  const auto start = std::chrono::steady_clock::now();
  const auto since = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  ListRestore(
      files, backup, asOf, target, {2030, 1, 1, 0, 0, 0},
      [&](std::vector<RestoreRow> rows) {
        if (listing.rows == 0) listing.first = since();
        listing.rows += rows.size();
      },
      stop);
  listing.whole = since();
  return listing;
}

// The Restore dialog's list of the backup: into an empty folder, as on a new
// PC, and over the messenger's folder, where most files are the same; the
// latest backup, and as it was at its oldest point, with more and more kept
// folders beside it.
void ListingPhase(Platform& platform, const std::string& backup, const std::string& messenger,
                  std::mt19937& random) {
  const std::string keptRoot = platform.root + "\\Docs\\Stowlark Replaced";
  const std::string newPc = platform.root + "\\New PC";
  platform.files.CreateFolder(newPc);
  platform.files.CreateFolder(keptRoot);
  std::printf("The restore listing (s to the first rows / to the whole list, rows):\n");
  std::printf("%-8s %22s %22s %22s\n", "kept", "latest, new PC", "latest, over here",
              "oldest point, new PC");
  int made = 0;
  for (const int kept : {10, 1000, 3000, 10000}) {
    AddKeptRuns(platform.files, keptRoot, made, kept, random);
    made = kept;
    // The oldest point of the runs added here: the backups above all ran in
    // the same second, before which the backup held nothing.
    auto points = EarlierPoints(platform.files, backup, {2030, 1, 1, 0, 0, 0});
    std::erase_if(points, [](const LocalTime& at) { return at < kFirstKeptRun; });
    const Listing listed[] = {
        TimeListing(platform.files, backup, std::nullopt, newPc),
        TimeListing(platform.files, backup, std::nullopt, messenger),
        TimeListing(platform.files, backup,
                    points.empty() ? std::nullopt : std::optional(points.back()), newPc)};
    std::printf("%-8d", kept);
    for (const auto& [first, whole, rows] : listed) {
      std::printf(" %6.3f / %6.3f %6zu", first, whole, rows);
    }
    std::printf("\n");
  }
  std::printf("Peak memory after the listing: %.1f MB\n", platform.peakMemoryMegabytes());
}

}  // namespace

int RunBenchmark(Platform& platform) {
  const std::string messenger = platform.root + "\\App\\Microsoft\\MSN Messenger";
  const std::string backup = platform.root + "\\Docs\\Stowlark\\";
  const std::string peerTarget = platform.root + "\\Peer";
  platform.removeTree(platform.root);
  for (const auto& folder :
       {platform.root, platform.root + "\\App", platform.root + "\\App\\Microsoft", messenger,
        platform.root + "\\Docs"}) {
    platform.files.CreateFolder(folder);
  }
  std::mt19937 random(20261206);
  const auto sizes = BuildMessengerFolder(platform.files, messenger, random);
  const int files =
      static_cast<int>(std::count_if(sizes.begin(), sizes.end(), [](auto s) { return s != 0; }));
  std::printf("Tree: %d files, %.1f MB in %d accounts; median of %d runs, taken in turns\n", files,
              static_cast<double>(std::accumulate(sizes.begin(), sizes.end(), 0LL)) / (1 << 20),
              kAccounts, kRuns);

  const std::string kept = platform.root + "\\Docs\\Stowlark Replaced";
  const Locations locations{backup, messenger, true, true, kept, {2026, 12, 7, 12, 0, 0}};
  NoProgress none;
  std::vector<Contender> contenders;
  contenders.push_back(
      {"Stowlark",
       [&] { return BackupMessengerFolders(platform.files, locations, none).style == 64; },
       [&] { return RestoreCommand(platform.files, locations, none).style == 64; },
       [&] {
         platform.removeTree(platform.root + "\\Docs\\Stowlark");
         platform.removeTree(kept);
       },
       {},
       true});
  for (const auto& peer : platform.peers) {
    contenders.push_back({peer.name,
                          [&] { return peer.copy(messenger, peerTarget); },
                          [&] { return peer.copy(peerTarget, messenger); },
                          [&] { platform.removeTree(peerTarget); },
                          {},
                          true});
  }
  // In turns, so that a slow spell of the machine falls on every contender.
  for (int run = 0; run < kRuns; ++run) {
    for (auto& contender : contenders) {
      contender.clear();
      Time(platform, contender, 0, contender.backup);
      Time(platform, contender, 1, contender.backup);
      Time(platform, contender, 2, contender.restore);
      ChangeOnePercent(platform.files, messenger, sizes, random);
      Time(platform, contender, 3, contender.backup);
    }
  }
  const double peakMemory = platform.peakMemoryMegabytes();
  CopyToSecondPlace(platform, locations, messenger, sizes, random);
  ListingPhase(platform, backup, messenger, random);
  platform.removeTree(platform.root);

  std::printf("%-16s %10s %10s %11s %12s %14s\n", "", "first (s)", "repeat (s)", "restore (s)",
              "1% new (s)", "first files/s");
  const auto& stowlark = contenders.front();
  for (const auto& contender : contenders) {
    if (!contender.ok) {
      std::printf("%-16s failed: it reported an error or copied nothing\n", contender.name.c_str());
      continue;
    }
    std::printf("%-16s %10.3f %10.3f %11.3f %12.3f %14.0f\n", contender.name.c_str(),
                Median(contender.times[0]), Median(contender.times[1]), Median(contender.times[2]),
                Median(contender.times[3]), files / Median(contender.times[0]));
  }
  for (std::size_t i = 1; i < contenders.size(); ++i) {
    if (!contenders[i].ok) continue;
    std::printf("Stowlark / %-16s", contenders[i].name.c_str());
    for (int phase = 0; phase < 4; ++phase) {
      std::printf(" %5.2f x", Median(stowlark.times[phase]) / Median(contenders[i].times[phase]));
    }
    std::printf("\n");
  }
  std::printf("Peak memory of the benchmark process: %.1f MB\n", peakMemory);
  if (!stowlark.ok) std::printf("A run of Stowlark FAILED\n");
  return stowlark.ok ? 0 : 1;
}

}  // namespace stowlark::bench
