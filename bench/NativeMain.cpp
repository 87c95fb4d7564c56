// Times Stowlark's walks against cp -a and rsync -a on the same tree, natively.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "bench/Benchmark.h"
#include "platform/native/DriveMappedFileSystem.h"

int main() {
  // STOWLARK_BENCH_DIR=/dev/shm takes the disk out of the comparison.
  const char* folder = std::getenv("STOWLARK_BENCH_DIR");
  const auto scratch =
      (folder != nullptr ? std::filesystem::path(folder) : std::filesystem::temp_directory_path()) /
      "stowlark-bench";
  std::filesystem::create_directories(scratch / "c");
  stowlark::DriveMappedFileSystem files(scratch);
  const auto host = [&](const std::string& path) { return files.HostPath(path).string(); };
  const auto cp = [&](const std::string& from, const std::string& to) {
    const std::string command =
        "mkdir -p '" + host(to) + "' && cp -a '" + host(from) + "/.' '" + host(to) + "'";
    return std::system(command.c_str()) == 0;
  };
  const auto rsync = [&](const std::string& from, const std::string& to) {
    const std::string command = "rsync -a '" + host(from) + "/' '" + host(to) + "'";
    return std::system(command.c_str()) == 0;
  };
  stowlark::bench::Platform platform{
      files,
      "C:\\bench",
      [&](const std::string& folder) { std::filesystem::remove_all(host(folder)); },
      [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss / 1024.0;
      },
      {{"cp -a", cp}, {"rsync -a", rsync}},
      [] { ::sync(); }};
  const int result = stowlark::bench::RunBenchmark(platform);
  std::filesystem::remove_all(scratch);
  return result;
}
