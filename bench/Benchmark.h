#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace stowlark::bench {

// Another program that copies a folder tree, run for comparison.
struct Peer {
  std::string name;
  // Copies the content of `from` into `to`; false when it failed.
  std::function<bool(const std::string& from, const std::string& to)> copy;
};

// What differs between the native and the Windows runs.
struct Platform {
  FileSystem& files;
  std::string root;  // a Windows path under which the benchmark works
  std::function<void(const std::string& folder)> removeTree;
  std::function<double()> peakMemoryMegabytes;
  std::vector<Peer> peers;
  // Run before each timed copy, outside the timing: lets the disk catch up
  // with what the last copy left to write, so one run does not pay for another.
  std::function<void()> settle;
};

// Builds the synthetic messenger folder, times Stowlark and each peer on it,
// and prints the table. Returns non-zero when a run failed.
int RunBenchmark(Platform& platform);

}  // namespace stowlark::bench
