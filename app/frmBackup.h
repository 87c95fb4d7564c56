#pragma once

#include <string>

#include "app/Controls.h"
#include "backup/Outcome.h"
#include "platform/CopyLock.h"
#include "platform/FileSystem.h"
#include "platform/MessagePort.h"
#include "platform/Registry.h"
#include "platform/WindowPort.h"
#include "settings/WriteRegistry.h"

namespace stowlark {

enum class MouseButton { Left, Right, Middle };

struct WindowPorts {
  RegistryPort& registry;
  MessagePort& messages;
  WindowPort& window;
  FileSystem& files;
  CopyLock& lock;
};

// The one window, free of any windowing system: it holds the folder values
// and turns presses and releases into the window's commands.
class frmBackup {
 public:
  explicit frmBackup(WindowPorts ports);

  void Load();
  void LocateMessengerFolder();

  // A press starts a drag on the bare surface; a press and release of the
  // left button on the same control is that control's click.
  void OnMouseDown(MouseButton button, int x, int y);
  void OnMouseUp(MouseButton button, int x, int y);

  // The window's density and lblTitle's box, sized to its caption, which
  // only the window can measure.
  void SetLayout(int dpi, const Rect& titleBox) {
    dpi_ = dpi;
    titleBox_ = titleBox;
  }
  const Control* ControlAt(int x, int y) const { return HitTest(x, y, titleBox_, dpi_); }

  const std::string& DocumentsFolder() const { return documentsFolder_; }
  const std::string& BackupPath() const { return backupPath_; }
  const std::string& MessengerFolder() const { return messengerFolder_; }
  bool DocumentsFolderKnown() const;
  bool ApplicationDataFolderKnown() const;

 private:
  void Click(const Control& control);
  Locations CurrentLocations() const;
  std::string ResolvedJoin(const std::string& folder, std::string_view suffix) const;
  void Show(const Outcome& outcome);
  void RunAlone(const std::string& title, Outcome (*run)(FileSystem&, const Locations&));
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
};

}  // namespace stowlark
