#pragma once

#include <cstdint>

namespace stowlark {

struct Tally {
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
  bool operator==(const Tally&) const = default;
  Tally& operator+=(const Tally& more) {
    files += more.files;
    bytes += more.bytes;
    return *this;
  }
};

// What a backup or restore tells whoever watches it, and the one thing it
// asks back. The walks call it on whatever thread runs them and know nothing
// of threads themselves.
class CopyProgress {
 public:
  virtual ~CopyProgress() = default;
  // First once the walk has counted what it will copy, then as it goes:
  // `done.files` are whole in the target, `done.bytes` have been dealt with
  // (copied, found equal already, or given up on). Neither ever falls, and
  // the bytes never pass the plan's.
  virtual void Report(const Tally& done, const Tally& planned) = 0;
  // Asked before each file and between the chunks of one: true ends the
  // walk there, abandoning the file in hand, so that every file is left
  // whole or untouched.
  virtual bool StopRequested() = 0;
};

// For callers that neither watch nor stop a copy.
class NoProgress : public CopyProgress {
 public:
  void Report(const Tally&, const Tally&) override {}
  bool StopRequested() override { return false; }
};

// The running count of one backup or restore, across every folder it copies.
class CopyRun {
 public:
  CopyRun(CopyProgress& progress, Tally planned);
  // How much of the file in hand has been read so far.
  void InFile(std::uint64_t bytes);
  // The file in hand is done with; `whole` when the target now holds it.
  void FileFinished(std::uint64_t size, bool whole);
  // Once asked for, a stop holds for the rest of the run.
  bool Stopped();
  // Files whole in the target so far, and every byte dealt with.
  const Tally& Done() const { return done_; }
  const Tally& Planned() const { return planned_; }

 private:
  void Report(std::uint64_t bytes);

  CopyProgress& progress_;
  Tally planned_;
  Tally done_;
  std::uint64_t shown_ = 0;
  bool stopped_ = false;
};

}  // namespace stowlark
