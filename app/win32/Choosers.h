#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace stowlark {

// The system's folder picker, with a box to type a path in, under `title`;
// nothing when cancelled. A folder to write to may be made in it; a backup
// to read is one that exists, looked for from My Computer. COM must be a
// single-threaded apartment here.
enum class FolderToChoose { Place, Backup };
std::optional<std::string> ChooseFolder(HWND owner, const wchar_t* title,
                                        FolderToChoose what = FolderToChoose::Place);

}  // namespace stowlark
