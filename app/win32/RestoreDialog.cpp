#include "app/win32/RestoreDialog.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>

#include "app/PictureInfo.h"
#include "app/win32/Choosers.h"
#include "app/win32/PicturePreview.h"
#include "app/win32/ResourceIds.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace stowlark {
namespace {

constexpr UINT kSourcesFound = WM_APP + 20;
constexpr UINT kPointsFound = WM_APP + 21;
constexpr UINT kRowsFound = WM_APP + 22;
constexpr UINT kListingEnded = WM_APP + 23;

// The bytes read of a file to show it: more than any emoticon or display
// picture, and a bound on what a selection costs.
constexpr std::size_t kPictureBytes = 8 << 20;

std::vector<BYTE> StartOf(FileSystem& files, const std::string& path, std::size_t most) {
  std::vector<BYTE> bytes;
  std::unique_ptr<FileReader> reader;
  if (files.OpenRead(path, reader)) return bytes;
  char buffer[64 * 1024];
  for (std::size_t count = 0; bytes.size() < most && !reader->Read(buffer, count) && count > 0;) {
    bytes.insert(bytes.end(), buffer, buffer + std::min(count, most - bytes.size()));
  }
  return bytes;
}

enum class Task { Sources, PointsAndRows, Rows };

// One listing away from the window's thread. All it finds it posts with its
// number, so that what a listing posts after another has started is dropped.
struct Listing {
  HWND dialog = nullptr;
  WPARAM number = 0;
  Task task = Task::Sources;
  FileSystem* files = nullptr;
  SourceSearch search;
  std::string backup;
  std::optional<LocalTime> asOf;
  std::string messengerFolder;
  LocalTime now;
  std::atomic<bool> stop{false};
};

template <typename Found>
void Post(const Listing& listing, UINT message, Found found) {
  auto* carried = new Found(std::move(found));
  if (!PostMessageW(listing.dialog, message, listing.number, reinterpret_cast<LPARAM>(carried))) {
    delete carried;
  }
}

DWORD WINAPI ListingMain(void* parameter) {
  auto& listing = *static_cast<Listing*>(parameter);
  FileSystem& files = *listing.files;
  if (listing.task == Task::Sources) {
    Post(listing, kSourcesFound, FindRestoreSources(files, listing.search));
  } else {
    if (listing.task == Task::PointsAndRows) {
      Post(listing, kPointsFound, EarlierPoints(files, listing.backup, listing.now));
    }
    ListRestore(
        files, listing.backup, listing.asOf, listing.messengerFolder, listing.now,
        [&](std::vector<RestoreRow> rows) { Post(listing, kRowsFound, std::move(rows)); },
        listing.stop);
  }
  PostMessageW(listing.dialog, kListingEnded, listing.number, 0);
  return 0;
}

// What a posted message carries, owned again once taken off the queue.
template <typename Found>
std::unique_ptr<Found> Carried(LPARAM lParam) {
  return std::unique_ptr<Found>(reinterpret_cast<Found*>(lParam));
}
void DropCarried(UINT message, LPARAM lParam) {
  if (message == kSourcesFound) Carried<std::vector<RestoreSource>>(lParam);
  if (message == kPointsFound) Carried<std::vector<LocalTime>>(lParam);
  if (message == kRowsFound) Carried<std::vector<RestoreRow>>(lParam);
}

// Where each control goes as the dialog is sized, in dialog units from the
// client's right and bottom edges where it follows them.
struct Place {
  int id;
  int left, top, right, bottom;  // negative: from the right or bottom edge
};
constexpr int kPreview = 96;  // the picture's column, with its margin
constexpr Place kPlaces[] = {
    {IDC_FROM, 60, 7, -7, 167},
    {IDC_AS_OF, 60, 23, -7, 183},
    {IDC_FILES, 7, 52, -kPreview, -44},
    {IDC_TOTALS, 7, -40, -kPreview, -22},
    {IDC_PICTURE, -kPreview + 7, 52, -7, 52 + kPreview - 14},
    {IDC_PIXELS, -kPreview + 7, 52 + kPreview - 10, -7, 52 + kPreview + 16},
    {IDOK, -111, -21, -61, -7},
    {IDCANCEL, -57, -21, -7, -7},
};
// Small enough for any screen, large enough that the picture and its line
// stay above the buttons.
constexpr SIZE kSmallest{320, 215};

class RestoreDialog {
 public:
  RestoreDialog(FileSystem& files, Clock& clock, const RestoreDialogStart& start)
      : files_(files), clock_(clock), start_(start) {}
  static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<RestoreChoice> choice;

 private:
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  HWND Item(int id) const { return GetDlgItem(dialog_, id); }
  void OnInit();
  void Layout();
  void OnMinMax(MINMAXINFO& info);
  void Start(Task task);
  void Stop();
  void OnFound(UINT message, WPARAM number, LPARAM lParam);
  void OnSources(std::vector<RestoreSource> sources);
  void OnPoints(std::vector<LocalTime> points);
  void OnRows(std::vector<RestoreRow> rows);
  void OnSourceChosen();
  void ChooseAnotherFolder();
  void ClearRows();
  bool OnNotify(const NMHDR& header);
  void OnItemChanged(const NMLISTVIEW& change);
  void SetTick(std::size_t row, bool ticked);
  void ShowFile(std::size_t row);
  bool MakePreview();
  void ShowTotals();
  void OnDrawPicture(const DRAWITEMSTRUCT& draw);
  void OnRestore();
  const RestoreSource* Source() const;
  std::vector<RestoreSource>::iterator SourceAt(const std::string& folder);

  HWND dialog_ = nullptr;
  FileSystem& files_;
  Clock& clock_;
  RestoreDialogStart start_;
  std::vector<RestoreSource> sources_;
  std::vector<LocalTime> points_;
  RestoreSelection selection_;
  std::unique_ptr<Listing> listing_;
  win32::UniqueKernelObject thread_;
  WPARAM number_ = 0;
  bool listed_ = false;      // the rows of the source and time chosen are whole
  bool applying_ = false;    // ticks set here, not by the user
  WPARAM listedSource_ = 0;  // the source whose files are listed
  // Started with the first picture shown: loading it takes longer than the
  // dialog may to open.
  std::optional<GdiPlus> gdiPlus_;
  std::vector<BYTE> shownFile_;  // the start of the file selected, while a picture
  std::optional<PicturePreview> preview_;
};

INT_PTR CALLBACK RestoreDialog::Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    reinterpret_cast<RestoreDialog*>(lParam)->dialog_ = dialog;
  }
  auto* self = reinterpret_cast<RestoreDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  return self != nullptr ? self->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR RestoreDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit();
      return FALSE;
    case WM_SIZE:
      Layout();
      MakePreview();
      return TRUE;
    case WM_GETMINMAXINFO:
      OnMinMax(*reinterpret_cast<MINMAXINFO*>(lParam));
      return TRUE;
    case WM_NOTIFY:
      SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, 0);
      return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_DRAWITEM:
      OnDrawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_DESTROY:
      Stop();
      return FALSE;
    case kSourcesFound:
    case kPointsFound:
    case kRowsFound:
    case kListingEnded:
      OnFound(message, wParam, lParam);
      return TRUE;
    case WM_COMMAND:
      break;
    default:
      return FALSE;
  }
  const int id = LOWORD(wParam);
  if (id == IDC_FROM && HIWORD(wParam) == CBN_SELCHANGE) OnSourceChosen();
  if (id == IDC_AS_OF && HIWORD(wParam) == CBN_SELCHANGE) Start(Task::Rows);
  if (id == IDOK) OnRestore();
  if (id == IDCANCEL) EndDialog(dialog_, IDCANCEL);
  return TRUE;
}

void RestoreDialog::OnInit() {
  const HWND list = Item(IDC_FILES);
  ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  const struct {
    const wchar_t* title;
    int width;  // dialog units
    int format;
  } columns[] = {{L"File", 170, LVCFMT_LEFT},
                 {L"Size", 40, LVCFMT_RIGHT},
                 {L"Date", 130, LVCFMT_LEFT},
                 {L"Does", 36, LVCFMT_LEFT}};
  for (int column = 0; column < 4; ++column) {
    RECT width{0, 0, columns[column].width, 0};
    MapDialogRect(dialog_, &width);
    LVCOLUMNW entry{};
    entry.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    entry.fmt = columns[column].format;
    entry.cx = width.right;
    entry.pszText = const_cast<wchar_t*>(columns[column].title);
    ListView_InsertColumn(list, column, &entry);
  }
  SendDlgItemMessageW(dialog_, IDC_FROM, CB_ADDSTRING, 0,
                      reinterpret_cast<LPARAM>(L"Looking for backups\x2026"));
  SendDlgItemMessageW(dialog_, IDC_FROM, CB_SETCURSEL, 0, 0);
  EnableWindow(Item(IDOK), FALSE);
  SetDlgItemTextW(dialog_, IDC_TOTALS, L"Looking for backups\x2026");
  Layout();
  SetFocus(Item(start_.focus == RestoreFocus::From ? IDC_FROM : IDC_AS_OF));
  Start(Task::Sources);
}

void RestoreDialog::Layout() {
  RECT client;
  GetClientRect(dialog_, &client);
  HDWP moves = BeginDeferWindowPos(static_cast<int>(std::size(kPlaces)));
  for (const auto& place : kPlaces) {
    RECT units{place.left, place.top, place.right, place.bottom};
    MapDialogRect(dialog_, &units);
    const auto from = [](LONG at, LONG edge) { return at < 0 ? edge + at : at; };
    const RECT at{from(units.left, client.right), from(units.top, client.bottom),
                  from(units.right, client.right), from(units.bottom, client.bottom)};
    moves = DeferWindowPos(moves, Item(place.id), nullptr, at.left, at.top, at.right - at.left,
                           at.bottom - at.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  EndDeferWindowPos(moves);
  InvalidateRect(Item(IDC_PICTURE), nullptr, TRUE);
}

void RestoreDialog::OnMinMax(MINMAXINFO& info) {
  RECT smallest{0, 0, kSmallest.cx, kSmallest.cy};
  MapDialogRect(dialog_, &smallest);
  AdjustWindowRectEx(&smallest, static_cast<DWORD>(GetWindowLongW(dialog_, GWL_STYLE)), FALSE, 0);
  info.ptMinTrackSize = {smallest.right - smallest.left, smallest.bottom - smallest.top};
}

// One listing at a time: the one before is asked to stop and waited for.
void RestoreDialog::Start(Task task) {
  Stop();
  listed_ = false;
  EnableWindow(Item(IDOK), FALSE);
  listing_ = std::make_unique<Listing>();
  listing_->dialog = dialog_;
  listing_->number = ++number_;
  listing_->task = task;
  listing_->files = &files_;
  listing_->search = start_.search;
  listing_->messengerFolder = start_.messengerFolder;
  listing_->now = clock_.Now();
  if (const RestoreSource* source = Source(); source != nullptr && task != Task::Sources) {
    listing_->backup = source->folder;
    const auto point = SendDlgItemMessageW(dialog_, IDC_AS_OF, CB_GETCURSEL, 0, 0);
    if (task == Task::Rows && point > 0 && static_cast<std::size_t>(point) <= points_.size()) {
      listing_->asOf = points_[static_cast<std::size_t>(point) - 1];
    }
  }
  if (task == Task::PointsAndRows) {
    listedSource_ = static_cast<WPARAM>(SendDlgItemMessageW(dialog_, IDC_FROM, CB_GETCURSEL, 0, 0));
    SendDlgItemMessageW(dialog_, IDC_AS_OF, CB_RESETCONTENT, 0, 0);
    points_.clear();
  }
  if (task != Task::Sources) {
    ClearRows();
    SetDlgItemTextW(dialog_, IDC_TOTALS, L"Listing the files\x2026");
  }
  thread_ =
      win32::UniqueKernelObject(CreateThread(nullptr, 0, &ListingMain, listing_.get(), 0, nullptr));
  if (!thread_) ListingMain(listing_.get());
}

void RestoreDialog::Stop() {
  if (!listing_) return;
  listing_->stop = true;
  if (thread_) WaitForSingleObject(thread_.Get(), INFINITE);
  thread_.Reset();
  listing_.reset();
  for (MSG left; PeekMessageW(&left, dialog_, kSourcesFound, kListingEnded, PM_REMOVE);) {
    DropCarried(left.message, left.lParam);
  }
}

void RestoreDialog::OnFound(UINT message, WPARAM number, LPARAM lParam) {
  if (number != number_) return DropCarried(message, lParam);
  if (message == kSourcesFound) OnSources(std::move(*Carried<std::vector<RestoreSource>>(lParam)));
  if (message == kPointsFound) OnPoints(std::move(*Carried<std::vector<LocalTime>>(lParam)));
  if (message == kRowsFound) OnRows(std::move(*Carried<std::vector<RestoreRow>>(lParam)));
  // Backups found are listed next; none found is told as it is.
  if (message == kListingEnded && listing_->task != Task::Sources) {
    listed_ = true;
    ShowTotals();
  }
}

void RestoreDialog::OnSources(std::vector<RestoreSource> sources) {
  sources_ = std::move(sources);
  if (start_.source && SourceAt(start_.source->folder) == sources_.end()) {
    sources_.insert(sources_.begin(), *start_.source);
  }
  const HWND from = Item(IDC_FROM);
  SendMessageW(from, CB_RESETCONTENT, 0, 0);
  for (const auto& source : sources_) {
    SendMessageW(from, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(win32::Widen(SourceWords(source, clock_)).c_str()));
  }
  SendMessageW(from, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Another folder\x2026"));
  const auto first = start_.source ? SourceAt(start_.source->folder) : sources_.begin();
  SendMessageW(from, CB_SETCURSEL, static_cast<WPARAM>(first - sources_.begin()), 0);
  if (sources_.empty()) {
    SetDlgItemTextW(dialog_, IDC_TOTALS,
                    L"No backup was found on this PC or on a connected drive. Choose another "
                    L"folder to restore from.");
    return;
  }
  Start(Task::PointsAndRows);
}

void RestoreDialog::OnPoints(std::vector<LocalTime> points) {
  points_ = std::move(points);
  const HWND asOf = Item(IDC_AS_OF);
  SendMessageW(asOf, CB_RESETCONTENT, 0, 0);
  const RestoreSource* source = Source();
  const auto latest = source != nullptr ? source->lastBackup : std::nullopt;
  SendMessageW(
      asOf, CB_ADDSTRING, 0,
      reinterpret_cast<LPARAM>(win32::Widen(PointWords(std::nullopt, latest, clock_)).c_str()));
  for (const auto& point : points_) {
    SendMessageW(asOf, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(win32::Widen(PointWords(point, latest, clock_)).c_str()));
  }
  SendMessageW(asOf, CB_SETCURSEL, 0, 0);
}

void RestoreDialog::OnRows(std::vector<RestoreRow> rows) {
  const HWND list = Item(IDC_FILES);
  const std::size_t before = selection_.Rows().size();
  selection_.Add(std::move(rows));
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  applying_ = true;
  for (std::size_t row = before; row < selection_.Rows().size(); ++row) {
    const ListedRow& listed = selection_.Rows()[row];
    std::wstring text = win32::Widen(listed.text) + (listed.isFile ? L"" : L"\\");
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(row);
    item.pszText = text.data();
    const int at = ListView_InsertItem(list, &item);
    ListView_SetCheckState(list, at, listed.ticked);
    if (!listed.isFile) continue;
    const RestoreRow& file = selection_.Files()[listed.file];
    const std::wstring cells[] = {
        win32::Widen(SizeWords(file.size)),
        win32::Widen(clock_.Words(files_.LocalTimeOf(file.writeTime), true)),
        file.replaces ? L"replaces" : L"adds"};
    for (int column = 1; column <= 3; ++column) {
      ListView_SetItemText(list, at, column, const_cast<wchar_t*>(cells[column - 1].c_str()));
    }
  }
  applying_ = false;
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  if (before == 0 && !selection_.Rows().empty()) {
    ListView_SetItemState(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
  }
  ShowTotals();
}

// A backup is listed once, however it was found: by its folder.
std::vector<RestoreSource>::iterator RestoreDialog::SourceAt(const std::string& folder) {
  return std::find_if(sources_.begin(), sources_.end(), [&](const RestoreSource& source) {
    return files_.NameKey(source.folder) == files_.NameKey(folder);
  });
}

const RestoreSource* RestoreDialog::Source() const {
  const auto chosen = SendDlgItemMessageW(dialog_, IDC_FROM, CB_GETCURSEL, 0, 0);
  return chosen >= 0 && static_cast<std::size_t>(chosen) < sources_.size()
             ? &sources_[static_cast<std::size_t>(chosen)]
             : nullptr;
}

void RestoreDialog::OnSourceChosen() {
  if (Source() == nullptr) return ChooseAnotherFolder();
  Start(Task::PointsAndRows);
}

// A folder chosen that holds no backup is told of, and the list stays on
// the backup it showed.
void RestoreDialog::ChooseAnotherFolder() {
  const auto folder = ChooseFolder(
      dialog_,
      L"Choose the backup to restore: a USB stick, a folder on another drive or a network "
      L"folder that holds one.",
      FolderToChoose::Backup);
  const auto found = folder ? SourceIn(files_, *folder) : std::nullopt;
  if (folder && !found) {
    MessageBoxW(
        dialog_,
        win32::Widen("No backup was found in " + WithoutTrailingSeparator(*folder) + ".").c_str(),
        L"Restore", MB_OK | MB_ICONINFORMATION);
  }
  if (!found) {
    SendDlgItemMessageW(dialog_, IDC_FROM, CB_SETCURSEL, listedSource_, 0);
    return;
  }
  auto at = SourceAt(found->folder);
  if (at == sources_.end()) {
    at = sources_.insert(sources_.end(), *found);
    SendDlgItemMessageW(
        dialog_, IDC_FROM, CB_INSERTSTRING, static_cast<WPARAM>(at - sources_.begin()),
        reinterpret_cast<LPARAM>(win32::Widen(SourceWords(*found, clock_)).c_str()));
  }
  SendDlgItemMessageW(dialog_, IDC_FROM, CB_SETCURSEL, static_cast<WPARAM>(at - sources_.begin()),
                      0);
  Start(Task::PointsAndRows);
}

void RestoreDialog::ClearRows() {
  ListView_DeleteAllItems(Item(IDC_FILES));
  selection_ = RestoreSelection{};
  shownFile_.clear();
  preview_.reset();
  SetDlgItemTextW(dialog_, IDC_PIXELS, L"");
  InvalidateRect(Item(IDC_PICTURE), nullptr, TRUE);
}

bool RestoreDialog::OnNotify(const NMHDR& header) {
  if (header.idFrom != IDC_FILES || header.code != LVN_ITEMCHANGED) return false;
  OnItemChanged(reinterpret_cast<const NMLISTVIEW&>(header));
  return true;
}

void RestoreDialog::OnItemChanged(const NMLISTVIEW& change) {
  if (applying_ || change.iItem < 0 || (change.uChanged & LVIF_STATE) == 0) return;
  const auto row = static_cast<std::size_t>(change.iItem);
  if (row >= selection_.Rows().size()) return;
  const UINT changed = change.uNewState ^ change.uOldState;
  if ((changed & LVIS_STATEIMAGEMASK) != 0) {
    SetTick(row, (change.uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2));
  }
  if ((changed & LVIS_SELECTED) != 0 && (change.uNewState & LVIS_SELECTED) != 0) ShowFile(row);
}

// A tick on an account or folder reaches all below it, and each folder
// above shows whether all below it is ticked.
void RestoreDialog::SetTick(std::size_t row, bool ticked) {
  const HWND list = Item(IDC_FILES);
  applying_ = true;
  for (const std::size_t changed : selection_.SetTicked(row, ticked)) {
    ListView_SetCheckState(list, static_cast<int>(changed), selection_.Rows()[changed].ticked);
  }
  applying_ = false;
  ShowTotals();
}

void RestoreDialog::ShowTotals() {
  SetDlgItemTextW(
      dialog_, IDC_TOTALS,
      win32::Widen(listed_ ? selection_.Totals() : selection_.Totals() + " Still listing\u2026")
          .c_str());
  EnableWindow(Item(IDOK), listed_ && !selection_.TickedItems().empty());
}

// The file's own bytes say whether it is a picture, whatever its name.
void RestoreDialog::ShowFile(std::size_t row) {
  const ListedRow& listed = selection_.Rows()[row];
  shownFile_.clear();
  std::optional<PictureInfo> info;
  if (listed.isFile) {
    shownFile_ = StartOf(files_, selection_.Files()[listed.file].source, kPictureBytes);
    info = PictureIn(shownFile_);
  }
  if (!info) shownFile_.clear();
  const bool shown = MakePreview();
  const std::string line = !listed.isFile ? ""
                           : shown        ? PixelsLine(*info)
                           : info         ? PixelsLine(*info) + ", but it cannot be shown here."
                                          : "No picture: this file is not a GIF, PNG, JPEG or BMP.";
  SetDlgItemTextW(dialog_, IDC_PIXELS, win32::Widen(line).c_str());
}

// Made again at each size of the box, from the file's bytes.
bool RestoreDialog::MakePreview() {
  RECT box;
  GetClientRect(Item(IDC_PICTURE), &box);
  preview_.reset();
  if (!shownFile_.empty()) {
    if (!gdiPlus_) gdiPlus_.emplace();
    preview_ = PreviewOf(*gdiPlus_, shownFile_, {box.right, box.bottom});
  }
  InvalidateRect(Item(IDC_PICTURE), nullptr, TRUE);
  return preview_.has_value();
}

void RestoreDialog::OnDrawPicture(const DRAWITEMSTRUCT& draw) {
  FillRect(draw.hDC, &draw.rcItem, GetSysColorBrush(COLOR_BTNFACE));
  if (preview_) DrawPreview(draw.hDC, *preview_, draw.rcItem);
}

void RestoreDialog::OnRestore() {
  const RestoreSource* source = Source();
  if (!listed_ || source == nullptr) return;
  const auto point = SendDlgItemMessageW(dialog_, IDC_AS_OF, CB_GETCURSEL, 0, 0);
  choice = RestoreChoice{source->kind == SourceKind::ThisPc ? std::string() : source->folder,
                         point > 0 && static_cast<std::size_t>(point) <= points_.size()
                             ? std::optional(points_[static_cast<std::size_t>(point) - 1])
                             : std::nullopt,
                         selection_.TickedItems()};
  EndDialog(dialog_, IDOK);
}

}  // namespace

std::optional<RestoreChoice> ShowRestoreDialog(HWND owner, FileSystem& files, Clock& clock,
                                               const RestoreDialogStart& start) {
  RestoreDialog dialog(files, clock, start);
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_RESTORE), owner,
                  &RestoreDialog::Proc, reinterpret_cast<LPARAM>(&dialog));
  return dialog.choice;
}

}  // namespace stowlark
