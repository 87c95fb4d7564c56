#pragma once

namespace stowlark {

// One backup or restore at a time for the user, across every running copy
// of the program: two copies writing into the same folders at once would
// each report success over the other's half-done work.
class CopyLock {
 public:
  virtual ~CopyLock() = default;
  // False when another copy of the program holds it.
  virtual bool TryAcquire() = 0;
  virtual void Release() = 0;
};

}  // namespace stowlark
