#include "app/frmBackup.h"

#include <algorithm>

#include "app/CopyTo.h"
#include "app/MoveForm.h"
#include "app/Schedule.h"
#include "app/Version.h"
#include "settings/AutomaticRecord.h"
#include "settings/FolderLocations.h"
#include "settings/LastBackup.h"

namespace stowlark {

frmBackup::frmBackup(WindowPorts ports)
    : ports_(ports), registry_(ports.registry, ports.messages) {}

void frmBackup::Load() {
  documentsFolder_ = ReadShellFolder(registry_, kDocumentsValue);
  backupPath_ = documentsFolder_ + std::string(kBackupFolderSuffix);
  LocateMessengerFolder();
}

void frmBackup::LocateMessengerFolder() {
  applicationDataFolder_ = ReadShellFolder(registry_, kApplicationDataValue);
  messengerFolder_ = applicationDataFolder_ + std::string(kMessengerFolderSuffix);
}

// Only a task that starts this very program counts as on: choosing the item
// then points one of another copy, or one whose program is gone, here.
bool frmBackup::DailyBackupOn(const std::string& program) {
  ScheduleState state;
  return !ports_.scheduler.Read(kTaskName, state) &&
         StandingOf(ports_.files, state, program) == TaskStanding::Here;
}

void frmBackup::ToggleDailyBackup(const std::string& program) {
  const ScheduleAsk ask = DailyBackupOn(program) ? ScheduleAsk::Off : ScheduleAsk::Daily;
  const ScheduleAnswer answer =
      AnswerSchedule(ports_.scheduler, ports_.files, ask, DailyTime{}, program, ports_.clock.Now());
  ports_.messages.ShowMessage(ScheduleBoxText(ask, answer),
                              answer.done ? kStyleInformation : kStyleWarning, "Backup");
}

// Marked as told before the box, which may stay up for as long as the user
// likes: a second window opened meanwhile does not tell it again.
void frmBackup::TellOfUnfinishedAutomaticBackup() {
  auto record = ReadAutomaticRecord(ports_.registry);
  if (!record || !NoticeDue(*record)) return;
  record->told = true;
  WriteAutomaticRecord(ports_.registry, *record);
  ports_.messages.ShowMessage(NoticeText(*record), kStyleWarning, "Backup");
}

CopySetting frmBackup::CopyPlaceNow() { return ReadCopySetting(ports_.registry); }

void frmBackup::CopyTo(const std::optional<std::string>& path) {
  const CopyToAnswer answer =
      AnswerCopyTo(ports_.files, registry_, ports_.registry, path ? CopyToAsk::Set : CopyToAsk::Off,
                   path.value_or(""));
  ports_.messages.ShowMessage(answer.box, answer.done ? kStyleInformation : kStyleWarning,
                              "Backup");
}

bool frmBackup::DocumentsFolderKnown() const { return IsAbsoluteWindowsPath(documentsFolder_); }

bool frmBackup::ApplicationDataFolderKnown() const {
  return IsAbsoluteWindowsPath(applicationDataFolder_);
}

void frmBackup::OnMouseDown(MouseButton button, int x, int y) {
  const Control* hit = ControlAt(x, y);
  if (hit == nullptr) {
    pressed_ = nullptr;
    DragForm(ports_.window);
    return;
  }
  pressed_ = button == MouseButton::Left ? hit : nullptr;
}

void frmBackup::OnMouseUp(MouseButton button, int x, int y) {
  if (button != MouseButton::Left || pressed_ == nullptr) return;
  const Control* pressed = pressed_;
  pressed_ = nullptr;
  if (ControlAt(x, y) == pressed) RunCommand(*pressed);
}

void frmBackup::RunCommand(const Control& control) {
  if (Available(control)) Click(control);
}

// The window's own minimise and close act at any time, as the taskbar's do;
// a close during a copy stops it first.
bool frmBackup::ActsWhileCopying(const Control& control) {
  return control.name == "imgMinimize" || control.name == "Image1";
}

bool frmBackup::Available(const Control& control) const {
  return !copying_ || ActsWhileCopying(control);
}

bool frmBackup::FocusOn(const Control& control) {
  if (!control.focusOrder) return false;
  focused_ = &control;
  return true;
}

bool frmBackup::OnKeyDown(Key key, bool shift) {
  if (key != Key::Tab) {
    RunCommand(*focused_);
    return false;
  }
  const auto order = FocusOrder();
  const auto at = std::find(order.begin(), order.end(), focused_) - order.begin();
  const auto count = static_cast<std::ptrdiff_t>(order.size());
  focused_ = order[static_cast<std::size_t>((at + (shift ? count - 1 : 1)) % count)];
  return true;
}

void frmBackup::Click(const Control& control) {
  const auto name = control.name;
  if (name == "imgBackup") {
    LocateMessengerFolder();
    RunAlone("Backup", &stowlark::BackupMessengerFolders);
  } else if (name == "imgRestore") {
    RunAlone("Restore", &RestoreCommand);
  } else if (name == "imgMinimize") {
    ports_.window.Minimise();
  } else if (name == "Image1") {
    ports_.window.Close();
  } else if (name == "Image2") {
    ShowAbout();
  } else if (name == "Label4") {
    OpenSite(kMakerSite.address);
  } else if (name == "Label7") {
    OpenSite(kSecondSite.address);
  }
}

// Below these two folders the walks take every name exactly as listed, so
// only the values from the registry are resolved.
Locations frmBackup::CurrentLocations() const { return CurrentLocations(RunLimits{}); }

Locations frmBackup::CurrentLocations(const RunLimits& limits) const {
  const bool documentsKnown = DocumentsFolderKnown();
  const bool applicationDataKnown = ApplicationDataFolderKnown();
  return {documentsKnown ? ResolvedJoin(ports_.files, documentsFolder_, kBackupFolderSuffix)
                         : backupPath_,
          applicationDataKnown
              ? ResolvedJoin(ports_.files, applicationDataFolder_, kMessengerFolderSuffix)
              : messengerFolder_,
          documentsKnown,
          applicationDataKnown,
          documentsKnown ? ResolvedJoin(ports_.files, documentsFolder_, kKeptFolderSuffix) : "",
          ports_.clock.Now(),
          limits.accounts,
          limits.preview,
          ReadCopyPlace(ports_.registry),
          limits.from,
          limits.asOf,
          "",
          limits.items};
}

frmBackup::RestoreLooking frmBackup::LookingForBackups() {
  const Locations where = CurrentLocations();
  const auto last = ReadLastBackup(ports_.registry);
  return {{WithoutTrailingSeparator(where.backupPath),
           last ? ParseLocalTime(last->at) : std::nullopt, where.copyTo},
          where.messengerFolder};
}

void frmBackup::RestoreChosen(const RestoreChoice& choice) {
  if (copying_) return;
  oneRun_ = RunLimits{{}, false, false, choice.from, choice.asOf, choice.items};
  RunAlone("Restore", &RestoreCommand);
}

void frmBackup::OpenBackupFolder() {
  const std::string folder = WithoutTrailingSeparator(CurrentLocations().backupPath);
  if (FolderExists(ports_.files, folder)) {
    ports_.window.ShellExecute("open", folder, "", "", kShowNormal);
    return;
  }
  ports_.messages.ShowMessage(
      "There is no backup folder yet:\r\n" + folder + "\r\nThe first backup makes it.",
      kStyleInformation, "Backup");
}

std::string frmBackup::CommandTip(const Control& control) {
  const bool backup = control.name == "imgBackup";
  if (!backup && control.name != "imgRestore") return "";
  const auto last = ReadLastBackup(ports_.registry);
  const auto at = last ? ParseLocalTime(last->at) : std::nullopt;
  if (!at) return "No backup has been made yet.";
  if (!backup) return "Restores the backup of " + ports_.clock.Words(*at, true);
  std::string tip = "Last backup: " + ports_.clock.Words(*at, true) + " (" +
                    (last->automatic ? "automatic" : "by hand") +
                    (last->complete ? ")" : ", incomplete)");
  if (const auto place = ReadCopyPlace(ports_.registry)) {
    const auto made = ParseLocalTime(place->lastMade);
    tip += "\r\nCopy on " + PlaceName(*place) + ": " +
           (made ? ports_.clock.Words(*made, false) : std::string("not made yet"));
  }
  return tip;
}

void frmBackup::Show(const Outcome& outcome) {
  if (!outcome.offer || !onBackupOffered_) {
    return ports_.messages.ShowMessage(outcome.prompt, outcome.style, outcome.title);
  }
  if (ports_.messages.Ask(
          outcome.prompt + " Open " + outcome.offer->folder + " in the Restore dialog?",
          outcome.title)) {
    onBackupOffered_(*outcome.offer);
  }
}

void frmBackup::RunAlone(const std::string& title,
                         Outcome (*run)(FileSystem&, const Locations&, CopyProgress&)) {
  // What a menu item asked of this one run holds for it alone, refused or not.
  running_ = oneRun_.value_or(limits_);
  oneRun_.reset();
  if (!ports_.lock.TryAcquire()) {
    return Refuse(title, kStyleWarning,
                  "Another backup or restore is running. Try again when it has finished.");
  }
  // Asked only now, so that a second run is told of the first, not of a log
  // the first holds.
  if (const auto refusal = beforeRun_ ? beforeRun_() : std::nullopt) {
    ports_.lock.Release();
    return Refuse(title, kStyleError, *refusal);
  }
  SetCopying(true);
  progressShown_ = false;
  progress_.Reset();
  backingUp_ = run == &BackupMessengerFolders;
  Locations locations = CurrentLocations(running_);
  // Looked at before every backup, for the drives and folders may have
  // moved since the place was set.
  if (backingUp_) {
    locations.copyRefused =
        CopyRefusal(ports_.files, registry_, ReadCopySetting(ports_.registry)).value_or("");
  }
  startedAt_ = locations.startedAt;
  ports_.worker.Start([this, run, locations] { result_ = run(ports_.files, locations, progress_); },
                      [this] { OnCopyFinished(); });
}

void frmBackup::Refuse(const std::string& title, int style, const std::string& reason) {
  const Outcome refused{title, style, reason, RunResult::NotStarted};
  if (onRunEnded_) onRunEnded_(refused);
  Show(refused);
}

void frmBackup::OnProgressTick(std::uint64_t elapsedMs) {
  if (!copying_ || elapsedMs < kProgressAfterMs) return;
  progressShown_ = true;
  ports_.taskbar.ShowProgress(progress_.DoneBytes(), progress_.PlannedBytes());
}

// The window takes no command until the box is closed: it is modal.
void frmBackup::OnCopyFinished() {
  // Released before the box, which may stay open for as long as the user likes.
  ports_.lock.Release();
  const bool failed = result_.style != kStyleInformation;
  if (failed) {
    ports_.taskbar.ShowError();
  } else if (progressShown_) {
    ports_.taskbar.ShowProgress(progress_.PlannedBytes(), progress_.PlannedBytes());
  }
  const bool preview = running_.preview;
  if (preview) result_.prompt = PreviewPrompt(result_);
  // Where the copy's drive now is, and when the copy was last made whole;
  // a record that was not acted on stays as it was.
  if (result_.copy && !preview && !result_.copy->refused) {
    WriteCopyPlace(ports_.registry, result_.copy->record);
  }
  // A backup that ran, to the end or not, is what the window tells of.
  const RunResult ended = result_.result;
  if (backingUp_ && !preview && ended != RunResult::NothingToDo && ended != RunResult::NotStarted) {
    WriteLastBackup(ports_.registry,
                    {DateAndMinute(startedAt_), running_.automatic, ended == RunResult::Done});
  }
  if (onRunEnded_) onRunEnded_(result_);
  Show(result_);
  if (failed || progressShown_) ports_.taskbar.Clear();
  SetCopying(false);
}

void frmBackup::SetCopying(bool copying) {
  copying_ = copying;
  if (onCopyingChanged_) onCopyingChanged_();
}

void frmBackup::ShowAbout() {
  ports_.messages.ShowMessage(
      "Stowlark V " STOWLARK_VERSION_SHORT
      "\r\nCoded by Dorvane\r\n\r\n"
      "This program can backup and restore your MSN 6 Emoticons, Display pictures and "
      "Backgrounds.\r\nSimply Backup your current items and you can Restore them later.",
      kStyleInformation, "Backup / Restore");
}

void frmBackup::OpenSite(std::string_view address) {
  ports_.window.ShellExecute("Open", std::string(address), "", "", -1);
}

}  // namespace stowlark
