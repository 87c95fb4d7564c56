#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/frmBackup.h"

namespace stowlark {

// The system's folder picker, with its button for a new folder and a box to
// type a path in, under `title`; nothing when cancelled. COM must be a
// single-threaded apartment here.
std::optional<std::string> ChooseFolder(HWND owner, const wchar_t* title);

// A small dialog that lists the times the backup can be restored as and
// asks which; nothing when cancelled. A list box and two buttons, so that
// the keyboard and screen readers reach every part of it.
std::optional<frmBackup::RestorePoint> ChooseRestorePoint(
    HWND owner, const std::vector<frmBackup::RestorePoint>& points);

}  // namespace stowlark
