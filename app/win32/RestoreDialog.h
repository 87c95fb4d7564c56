#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "app/RestoreChoices.h"
#include "backup/RestoreList.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace stowlark {

// Where the Restore dialog looks, what it shows first, and which of its
// lists has the focus when it opens.
enum class RestoreFocus { From, AsItWas };
struct RestoreDialogStart {
  SourceSearch search;
  std::string messengerFolder;
  std::optional<RestoreSource> source = {};
  RestoreFocus focus = RestoreFocus::From;
};

// The one Restore dialog: the backups in reach, the times each can be
// restored as, and the files a restore would write, each with a check box,
// all listed away from the window's thread. What the user chose to
// restore, or nothing when cancelled; it writes nothing itself.
std::optional<RestoreChoice> ShowRestoreDialog(HWND owner, FileSystem& files, Clock& clock,
                                               const RestoreDialogStart& start);

}  // namespace stowlark
