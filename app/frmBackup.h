#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "app/Controls.h"
#include "app/RestoreChoices.h"
#include "app/SharedProgress.h"
#include "backup/Outcome.h"
#include "platform/Clock.h"
#include "platform/CopyLock.h"
#include "platform/FileSystem.h"
#include "platform/MessagePort.h"
#include "platform/Registry.h"
#include "platform/Scheduler.h"
#include "platform/TaskbarPort.h"
#include "platform/WindowPort.h"
#include "platform/Worker.h"
#include "settings/CopyPlace.h"
#include "settings/WriteRegistry.h"

namespace stowlark {

enum class MouseButton { Left, Right, Middle };
enum class Key { Tab, Enter, Space };

struct WindowPorts {
  RegistryPort& registry;
  MessagePort& messages;
  WindowPort& window;
  FileSystem& files;
  CopyLock& lock;
  Worker& worker;
  TaskbarPort& taskbar;
  Clock& clock;
  SchedulerPort& scheduler;
};

// A copy that ends sooner shows no progress, so that short runs do not
// flicker on the taskbar.
inline constexpr std::uint64_t kProgressAfterMs = 500;

// The one window, free of any windowing system: it holds the folder values
// and turns presses and releases into the window's commands.
class frmBackup {
 public:
  explicit frmBackup(WindowPorts ports);

  void Load();
  void LocateMessengerFolder();

  // A press starts a drag on the bare surface; a press and release of the
  // left button on the same control is that control's click. While a backup
  // or restore runs, only minimise and close take clicks.
  void OnMouseDown(MouseButton button, int x, int y);
  void OnMouseUp(MouseButton button, int x, int y);

  // Tab and Shift+Tab move the focus round the commands; Enter and Space run
  // the focused one as a click does. True when the focus moved.
  bool OnKeyDown(Key key, bool shift);
  const Control& Focused() const { return *focused_; }
  // A command run as a click runs it, by a screen reader's default action.
  void RunCommand(const Control& control);
  // Whether the command would act now: during a copy only minimise and close do.
  bool Available(const Control& control) const;
  static bool ActsWhileCopying(const Control& control);
  // Gives the focus to a command that takes it; false for one that does not.
  bool FocusOn(const Control& control);

  // While a backup or restore runs: how long it has run, to show its progress.
  void OnProgressTick(std::uint64_t elapsedMs);
  // Asks the running copy to stop before its next file.
  void StopCopy() { progress_.RequestStop(); }
  bool Copying() const { return copying_; }
  // Called when a copy starts and when it has ended, after its box.
  void OnCopyingChanged(std::function<void()> changed) { onCopyingChanged_ = std::move(changed); }
  // What a command line asks of the runs: only these account folders,
  // previews that write nothing, the automatic run, a restore from another
  // folder or as the backup was at a time.
  struct RunLimits {
    std::vector<std::string> accounts;
    bool preview = false;
    bool automatic = false;
    std::string from = {};
    std::optional<LocalTime> asOf = {};
    std::vector<std::string> items = {};
  };
  void LimitRuns(RunLimits limits) { limits_ = std::move(limits); }
  // Called with how each backup or restore ended, refused ones too, before
  // its box: what a run did is told whether or not anyone dismisses the box.
  void OnRunEnded(std::function<void(const Outcome&)> ended) { onRunEnded_ = std::move(ended); }
  // Asked once a run holds the one-run lock, before it starts: a reason not
  // to start it (a log that cannot be written), or nothing.
  void BeforeRun(std::function<std::optional<std::string>()> ask) { beforeRun_ = std::move(ask); }

  // The window's density and lblTitle's box, sized to its caption, which
  // only the window can measure.
  void SetLayout(int dpi, const Rect& titleBox) {
    dpi_ = dpi;
    titleBox_ = titleBox;
  }
  const Control* ControlAt(int x, int y) const { return HitTest(x, y, titleBox_, dpi_); }
  // Where a control is drawn, in client pixels.
  Rect Where(const Control& control) const {
    return control.name == "lblTitle" && titleBox_ ? *titleBox_ : PixelRect(control, dpi_);
  }

  // The daily automatic backup of the program at `program`: whether a task
  // of Stowlark's starts this very program, and turning it on (at 12:00) or
  // off, with a box that says what is now true or why it could not be done.
  bool DailyBackupOn(const std::string& program);
  void ToggleDailyBackup(const std::string& program);
  // Once for each automatic backup that did not finish, a box that says so.
  void TellOfUnfinishedAutomaticBackup();

  // The place away from this disk where every backup is also copied, where
  // one is set; setting it (`path` as the system reaches it) or stopping
  // it, with a box that says what is now true or why it could not be done.
  CopySetting CopyPlaceNow();
  void CopyTo(const std::optional<std::string>& path);

  // The Restore dialog's: where it looks for backups and the messenger's
  // folder it compares them with; then what it chose, restored by GO under
  // Restore's engine and rules.
  struct RestoreLooking {
    SourceSearch search;
    std::string messengerFolder;
  };
  RestoreLooking LookingForBackups();
  void RestoreChosen(const RestoreChoice& choice);
  // Where GO under Restore finds no backup here but one elsewhere, the box
  // asks whether to open that one, and `open` is called with it on Yes.
  // Without it (a command line's run) the box only tells where it is.
  void OnBackupOffered(std::function<void(const RestoreSource&)> open) {
    onBackupOffered_ = std::move(open);
  }
  // Opens the backup folder in Explorer; a box where there is none yet.
  void OpenBackupFolder();
  // What hovering or focusing a command tells: when the last backup was
  // made, and of its copy away from this disk, for GO under Backup; which
  // backup it restores, for GO under Restore; nothing for the others.
  std::string CommandTip(const Control& control);

  const std::string& DocumentsFolder() const { return documentsFolder_; }
  const std::string& BackupPath() const { return backupPath_; }
  const std::string& MessengerFolder() const { return messengerFolder_; }
  bool DocumentsFolderKnown() const;
  bool ApplicationDataFolderKnown() const;

 private:
  void Click(const Control& control);
  Locations CurrentLocations() const;
  Locations CurrentLocations(const RunLimits& limits) const;
  void Show(const Outcome& outcome);
  void RunAlone(const std::string& title,
                Outcome (*run)(FileSystem&, const Locations&, CopyProgress&));
  void Refuse(const std::string& title, int style, const std::string& reason);
  void OnCopyFinished();
  void SetCopying(bool copying);
  void ShowAbout();
  void OpenSite(std::string_view address);

  WindowPorts ports_;
  WriteRegistry registry_;
  std::string documentsFolder_;  // the caption of lblHold
  std::string backupPath_;
  std::string applicationDataFolder_;  // as last read, before the suffix
  std::string messengerFolder_;        // the caption of Label1
  int dpi_ = kDesignDpi;
  std::optional<Rect> titleBox_;
  const Control* pressed_ = nullptr;
  const Control* focused_ = FocusOrder().front();
  bool copying_ = false;
  std::function<void()> onCopyingChanged_;
  std::function<void(const Outcome&)> onRunEnded_;
  std::function<std::optional<std::string>()> beforeRun_;
  std::function<void(const RestoreSource&)> onBackupOffered_;
  RunLimits limits_;
  // For the one restore a menu item asks for; the run in hand's.
  std::optional<RunLimits> oneRun_;
  RunLimits running_;
  bool backingUp_ = false;
  LocalTime startedAt_;
  bool progressShown_ = false;
  SharedProgress progress_;
  Outcome result_;  // written by the copy's thread before `finished` runs
};

}  // namespace stowlark
