#include "maker_window.h"

#include <shellapi.h>

#include <cerrno>
#include <cstring>

#include "dialog_template.h"
#include "display_scale.h"
#include "file_dialogs.h"
#include "frame_step.h"
#include "greeting_files.h"
#include "whole_file.h"
#include "greeting_rules.h"
#include "greeting_summary.h"
#include "greeting_words.h"
#include "indexed_bitmap_draw.h"
#include "native_path.h"
#include "resource.h"

const char kMakerClass[] = "LoopvueMaker";

namespace {

const char kTitle[] = "Loopvue Maker";
const char kEmptyText[] =
    "Drop a GIF animation here, or choose one with Open animation... (Ctrl+O).\r\n\r\n"
    "A MIDI song may come along: drop it too, or add it below.";
const char kNoSong[] = "No song. Add a MIDI song if you like; the greeting plays it once.";
// A job shorter than this finishes before any sign of it would be worth showing.
const DWORD kQuietMs = 500;
const UINT kBusyTickMs = 250;

bool IsSongFile(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos) return false;
  const std::string extension = path.substr(dot);
  return lstrcmpiA(extension.c_str(), ".mid") == 0 || lstrcmpiA(extension.c_str(), ".midi") == 0 ||
         lstrcmpiA(extension.c_str(), ".rmi") == 0;
}

const char* PhaseText(JobPhase phase) {
  switch (phase) {
    case kPhaseReading:
      return "Reading ";
    case kPhaseChecking:
      return "Checking the frames of ";
    case kPhaseFlattening:
      return "Making it playable: ";
    case kPhaseSaving:
      return "Saving ";
  }
  return "";
}

// The window's texts are UTF-8 here and wide on the screen: a file's name
// shows as the person sees it in any script.
void SetText(HWND window, const std::string& text) { SetWindowTextW(window, Utf16(text).c_str()); }

std::string TextOf(HWND window) {
  std::vector<wchar_t> text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  return Utf8(text.data());
}

RECT PlaceOf(HWND dialog, int id) {
  RECT rect;
  GetWindowRect(GetDlgItem(dialog, id), &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

}  // namespace

MakerWindow::~MakerWindow() {
  preview_.ShowNothing();
  ReleaseIndexedBitmap(&canvas_);
}

bool MakerWindow::Create(HINSTANCE instance, int showCommand) {
  instance_ = instance;
  PreviewView::Register(instance);
  WordsView::Register(instance);
  // The dialog manager runs the window; its class gives the icon and the name
  // the window is found by.
  // A wide window, with wide controls: their texts hold names in any script.
  const WideText className = Utf16(kMakerClass);
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = DefDlgProcW;
  windowClass.cbWndExtra = DLGWINDOWEXTRA;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_MAKER));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = className.c_str();
  RegisterClassW(&windowClass);
  accelerators_ = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDA_MAIN));
  const std::vector<uint8_t> dialog = TemplateInMessageFont(instance, IDD_MAKER);
  if (dialog.empty() ||
      !CreateDialogIndirectParamW(instance, reinterpret_cast<const DLGTEMPLATE*>(dialog.data()), nullptr, DialogProc,
                                  reinterpret_cast<LPARAM>(this)))
    return false;
  ShowWindow(hwnd, showCommand);
  UpdateWindow(hwnd);
  return true;
}

int MakerWindow::Run() {
  MSG message = {};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorW(hwnd, accelerators_, &message)) continue;
    if (IsDialogMessageW(hwnd, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

INT_PTR CALLBACK MakerWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    MakerWindow* maker = reinterpret_cast<MakerWindow*>(lParam);
    maker->hwnd = window;
    maker->OnInit();
    return TRUE;
  }
  MakerWindow* maker = reinterpret_cast<MakerWindow*>(GetWindowLongPtrW(window, DWLP_USER));
  return maker ? maker->OnMessage(message, wParam, lParam) : FALSE;
}

INT_PTR MakerWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_MESSAGE && HIWORD(wParam) == EN_CHANGE) OnWordsChanged();
      else OnCommand(LOWORD(wParam));
      return TRUE;
    case WM_TIMER:
      if (wParam == kFrameTimer) AdvanceFrame();
      if (wParam == kBusyTimer) OnBusyTick();
      return TRUE;
    case kJobDoneMessage:
      OnJobDone(reinterpret_cast<GreetingJob*>(lParam));
      return TRUE;
    case WM_DROPFILES:
      OnDrop(reinterpret_cast<HDROP>(wParam));
      return TRUE;
    case MM_MCINOTIFY:
      if (songPlayer_.IsFrom(lParam)) {
        songPlayer_.Stop();
        UpdateControls();
      }
      return TRUE;
    case WM_SETCURSOR:
      if (job_ && LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursorA(nullptr, IDC_APPSTARTING));
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    case WM_QUERYNEWPALETTE:
    case WM_PALETTECHANGED:
      // The preview's own realizing must not realize it again.
      if (message == WM_PALETTECHANGED &&
          (reinterpret_cast<HWND>(wParam) == hwnd || reinterpret_cast<HWND>(wParam) == preview_.hwnd))
        return FALSE;
      preview_.RealizePalette();
      return TRUE;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return FALSE;  // the dialog manager scales the controls and their font
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return TRUE;
    case WM_DESTROY:
      OnDestroy();
      return TRUE;
  }
  return FALSE;
}

void MakerWindow::OnInit() {
  Remember();
  preview_.Attach(GetDlgItem(hwnd, IDC_PREVIEW));
  wordsView_.Attach(GetDlgItem(hwnd, IDC_WORDS));
  SetWindowTextA(preview_.hwnd, kEmptyText);
  DragAcceptFiles(hwnd, TRUE);
  const RECT& preview = TemplatePlace(IDC_PREVIEW);
  Layout(preview.right - preview.left, preview.bottom - preview.top);
  UpdateControls();
}

// Where the template put each control, before any layout moves it.
void MakerWindow::Remember() {
  const int ids[] = {IDC_PREVIEW, IDC_WORDS, IDC_INFO,     IDC_DITHER, IDC_SONG,   IDC_ADD_SONG,   IDC_LISTEN,
                     IDC_STOP,    IDC_REMOVE_SONG, IDC_OPEN, IDC_SAVE_WEB, IDC_SAVE, IDC_STATUS, IDC_PLAY_SAVED,
                     IDC_SEND_NOTE, IDC_MESSAGE_LABEL, IDC_MESSAGE, IDC_MESSAGE_COUNT};
  for (int id : ids) template_.push_back(Place{id, PlaceOf(hwnd, id)});
  RECT client;
  GetClientRect(hwnd, &client);
  templateClient_ = SIZE{client.right, client.bottom};
  dpi_ = DpiOfWindow(hwnd);
}

// On a monitor of another DPI the places the layout starts from scale with the
// dialog, and the animation takes that monitor's scale.
void MakerWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  const int to = static_cast<int>(dpi), from = static_cast<int>(dpi_);
  if (to == from || from == 0) return;
  for (Place& place : template_) {
    RECT& r = place.rect;
    r = RECT{MulDiv(r.left, to, from), MulDiv(r.top, to, from), MulDiv(r.right, to, from), MulDiv(r.bottom, to, from)};
  }
  templateClient_ = SIZE{MulDiv(templateClient_.cx, to, from), MulDiv(templateClient_.cy, to, from)};
  dpi_ = dpi;
  SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (loaded_) {
    LayOutAnimation();
  } else {
    const RECT& preview = TemplatePlace(IDC_PREVIEW);
    Layout(preview.right - preview.left, preview.bottom - preview.top);
  }
}

const RECT& MakerWindow::TemplatePlace(int id) const {
  for (const Place& place : template_)
    if (place.id == id) return place.rect;
  static const RECT kNowhere = {0, 0, 0, 0};
  return kNowhere;
}

void MakerWindow::OnCommand(WORD id) {
  switch (id) {
    case IDM_OPEN:
    case IDC_OPEN: {
      const std::string path = ChooseAnimation(hwnd);
      if (!path.empty()) OpenAnimation(path);
      break;
    }
    case IDM_ADD_SONG:
    case IDC_ADD_SONG: {
      const std::string path = ChooseSong(hwnd);
      if (!path.empty()) AddSong(path);
      break;
    }
    case IDM_REMOVE_SONG:
    case IDC_REMOVE_SONG:
      RemoveSong();
      break;
    case IDC_LISTEN:
      Listen();
      break;
    case IDC_STOP:
    case IDCANCEL:  // Esc: the song is the one thing that goes on by itself
      songPlayer_.Stop();
      UpdateControls();
      break;
    case IDM_SAVE:
    case IDC_SAVE:
      SaveGreeting(false);
      break;
    case IDM_SAVE_WEB:
    case IDC_SAVE_WEB:
      SaveGreeting(true);
      break;
    case IDC_PLAY_SAVED:
      PlaySaved();
      break;
    case IDC_DITHER:
      FlattenAgain(IsDlgButtonChecked(hwnd, IDC_DITHER) == BST_CHECKED);
      break;
    case IDM_EXIT:
      DestroyWindow(hwnd);
      break;
  }
}

void MakerWindow::OnDrop(HDROP drop) {
  std::vector<std::string> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; i++) {
    std::vector<wchar_t> path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    if (DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size()))) paths.push_back(Utf8(path.data()));
  }
  DragFinish(drop);
  SetForegroundWindow(hwnd);
  OpenFiles(paths);
}

void MakerWindow::OnDestroy() {
  KillTimer(hwnd, kFrameTimer);
  KillTimer(hwnd, kBusyTimer);
  songPlayer_.Stop();
  // A save is let finish, so that its temporary file is renamed or removed; a
  // load writes nothing and is left to end with the process.
  if (job_ && job_->save) {
    job_->Wait();
  } else {
    job_.release();
  }
  PostQuitMessage(0);
}

void MakerWindow::OpenFiles(const std::vector<std::string>& paths) {
  std::string animation;
  for (const std::string& given : paths) {
    const WideText wide = Utf16(given);
    std::vector<wchar_t> full(GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr) + 1, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    const std::string path = length > 0 && length < full.size() ? Utf8(full.data()) : given;
    if (IsSongFile(path)) {
      AddSong(path);
    } else if (animation.empty()) {
      animation = path;
    }
  }
  if (!animation.empty()) OpenAnimation(animation);
}

void MakerWindow::OpenAnimation(const std::string& path) {
  if (job_) {
    waitingAnimation_ = path;
    return;
  }
  std::unique_ptr<GreetingJob> job(new GreetingJob);
  job->load.reset(new AnimationLoad);
  job->load->path = path;
  StartJob(std::move(job));
}

// The same animation flattened again, with or without dithering.
void MakerWindow::FlattenAgain(bool dither) {
  if (job_ || !loaded_ || !loaded_->need.needed) return;
  std::unique_ptr<GreetingJob> job(new GreetingJob);
  job->load.reset(new AnimationLoad);
  job->load->path = loaded_->path;
  job->load->dither = dither;
  job->load->source = loaded_->source;
  job->load->sourceGiven = true;
  job->load->need = loaded_->need;
  StartJob(std::move(job));
}

void MakerWindow::StartJob(std::unique_ptr<GreetingJob> job) {
  job_ = std::move(job);
  jobStart_ = GetTickCount();
  if (!job_->Start(hwnd, kJobDoneMessage)) {
    job_.reset();
    Complain("The work could not start.", "no thread could be started; close other programs and try again");
    return;
  }
  SetTimer(hwnd, kBusyTimer, kBusyTickMs, nullptr);
  UpdateControls();
}

void MakerWindow::OnBusyTick() {
  if (!job_) return;
  const DWORD elapsed = GetTickCount() - jobStart_;
  if (elapsed < kQuietMs) return;
  const std::string& path = job_->load ? job_->load->path : job_->save->output;
  const std::string text = PhaseText(job_->phase()) + NameOf(path) + "... " + std::to_string(elapsed / 1000) + " s";
  SetText(GetDlgItem(hwnd, IDC_STATUS), text);
  ShowWindow(GetDlgItem(hwnd, IDC_PLAY_SAVED), SW_HIDE);
}

void MakerWindow::OnJobDone(GreetingJob* done) {
  if (!job_ || job_.get() != done) return;
  std::unique_ptr<GreetingJob> job = std::move(job_);
  job->Wait();
  KillTimer(hwnd, kBusyTimer);
  if (job->save) {
    if (job->save->error.empty()) {
      savedPath_ = job->save->output;
      savedWeb_ = job->save->web;
      savedText_ = "Saved to " + savedPath_ + " (" + Grouped(job->save->bytes) + " bytes)";
      sendingText_ = SendingNote(savedWeb_, job->save->bytes);
    } else {
      Complain(job->save->web ? "The web page was not saved." : "The greeting was not saved.",
               job->save->error + "\r\n\r\nChoose another folder or name.");
    }
  } else if (!job->load->error.empty()) {
    // What was shown before stays, with the setting it was made with.
    if (loaded_) CheckDlgButton(hwnd, IDC_DITHER, loaded_->dither ? BST_CHECKED : BST_UNCHECKED);
    Complain("This animation cannot be used.", job->load->error);
  } else {
    ShowAnimation(std::move(job->load));
  }
  ShowSaved();
  UpdateControls();
  if (!waitingAnimation_.empty()) {
    std::string path;
    path.swap(waitingAnimation_);
    OpenAnimation(path);
  }
}

void MakerWindow::ShowAnimation(std::unique_ptr<AnimationLoad> load) {
  KillTimer(hwnd, kFrameTimer);
  preview_.ShowNothing();
  ReleaseIndexedBitmap(&canvas_);
  loaded_ = std::move(load);
  // A greeting saved before was of another animation or setting.
  savedPath_.clear();
  savedText_.clear();
  sendingText_.clear();
  const GifAnimation& animation = loaded_->animation.gif;
  palette_.Reset(CreateAnimationPalette(animation));
  CreateIndexedBitmap(&canvas_, animation.width, animation.height);
  ClearIndexedBitmap(&canvas_);

  CheckDlgButton(hwnd, IDC_DITHER, loaded_->dither ? BST_CHECKED : BST_UNCHECKED);
  LayOutAnimation();
  frameIndex_ = -1;
  AdvanceFrame();
  // Named last: the title says the window shows the animation, all laid out.
  SetText(hwnd, NameOf(loaded_->path) + " - " + kTitle);
}

// The preview as large as the greeting shows the animation on this monitor, or
// smaller to fit, and everything laid out around it.
void MakerWindow::LayOutAnimation() {
  const GifAnimation& animation = loaded_->animation.gif;
  int width = animation.width, height = animation.height;
  const int percent = ShownPercent(&width, &height, DescribeAnimation(*loaded_, 99));
  SetText(GetDlgItem(hwnd, IDC_INFO), DescribeAnimation(*loaded_, percent));
  Layout(width, height);
  preview_.Show(&canvas_, palette_, width, height);
}

// The player's step, and the timer armed for as long as its frame stays.
void MakerWindow::AdvanceFrame() {
  KillTimer(hwnd, kFrameTimer);
  if (!loaded_ || canvas_.pixels == nullptr) return;
  const GifAnimation& animation = loaded_->animation.gif;
  const FrameStep step = StepFrame(animation, &canvas_, &frameIndex_);
  if (step.frame == nullptr) return;
  preview_.CanvasChanged(step.changed);
  if (animation.frameCount >= 2) SetTimer(hwnd, kFrameTimer, step.stayMs, nullptr);
}

void MakerWindow::AddSong(const std::string& path) {
  // A song larger than the player takes is refused before it is read.
  PartSize song{path, FileSize(path)};
  Verdict sizes;
  CheckPartSizes(PartSize{"", 0}, PartSize{"", 0}, &song, false, "", &sizes);
  if (!sizes.accepted()) {
    Complain("This song cannot be used.", sizes.refusals[0].message());
    return;
  }
  bool read = false;
  std::vector<uint8_t> bytes = ReadWholeFile(path, &read);
  if (!read) {
    Complain("This song cannot be used.", path + ": cannot read it: " + std::strerror(errno));
    return;
  }
  Verdict verdict;
  CheckSong(path, bytes, &verdict);
  if (!verdict.accepted()) {
    Complain("This song cannot be used.", verdict.RefusalLines("\r\n"));
    return;
  }
  songPlayer_.Stop();
  songPath_ = path;
  song_.swap(bytes);
  const std::string text = "Song: " + NameOf(path) + " (" + Grouped(static_cast<int64_t>(song_.size())) +
                           " bytes), played once when the greeting starts";
  SetText(GetDlgItem(hwnd, IDC_SONG), text);
  UpdateControls();
}

void MakerWindow::RemoveSong() {
  songPlayer_.Stop();
  songPath_.clear();
  song_.clear();
  SetText(GetDlgItem(hwnd, IDC_SONG), kNoSong);
  UpdateControls();
}

void MakerWindow::Listen() {
  if (songPath_.empty()) return;
  const std::string reason = songPlayer_.Play(songPath_, hwnd);
  if (!reason.empty()) Complain("The song cannot be played here.", songPath_ + ": " + reason);
  UpdateControls();
}

void MakerWindow::SaveGreeting(bool web) {
  if (job_ || !loaded_ || !WordsFit()) return;
  const std::string output = web ? ChooseWebPagePath(hwnd, loaded_->path) : ChooseGreetingPath(hwnd, loaded_->path);
  if (output.empty()) return;
  std::unique_ptr<GreetingJob> job(new GreetingJob);
  job->save.reset(new GreetingSave);
  GreetingSave& save = *job->save;
  save.web = web;
  save.output = output;
  save.animationPath = loaded_->path;
  save.animation = loaded_->packed;
  save.flattened = loaded_->need.needed;
  save.songPath = songPath_;
  save.song = song_;
  save.withSong = !songPath_.empty();
  save.words = words_;
  StartJob(std::move(job));
}

void MakerWindow::ShowSaved() {
  SetText(GetDlgItem(hwnd, IDC_STATUS), savedText_);
  SetText(GetDlgItem(hwnd, IDC_SEND_NOTE), sendingText_);
  SetText(GetDlgItem(hwnd, IDC_PLAY_SAVED), savedWeb_ ? "Op&en it" : "&Play it");
  ShowWindow(GetDlgItem(hwnd, IDC_PLAY_SAVED), savedPath_.empty() ? SW_HIDE : SW_SHOW);
}

void MakerWindow::PlaySaved() {
  if (savedPath_.empty()) return;
  if (savedWeb_) {
    OpenSavedPage();
    return;
  }
  const WideText program = Utf16(savedPath_);
  WideText command = Utf16("\"" + savedPath_ + "\"");
  const WideText folder = Utf16(FolderOf(savedPath_));
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.size() == 0 ? nullptr : folder.c_str(), &startup, &process)) {
    Complain("The greeting cannot be started.",
             savedPath_ + ": Windows cannot start it (error " + std::to_string(GetLastError()) + ")");
    return;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

// The scale that lets the window, with the animation at `width` x `height`
// and everything under it, fit its monitor's work area; the size shown comes
// back in `width` and `height`.
int MakerWindow::ShownPercent(int* width, int* height, const std::string& info) const {
  const RECT work = WorkAreaOf(hwnd);
  RECT frame = {0, 0, 0, 0};
  AdjustWindowRectForDpi(&frame, GetWindowLongA(hwnd, GWL_STYLE), TRUE, GetWindowLongA(hwnd, GWL_EXSTYLE), dpi_);
  const RECT& preview = TemplatePlace(IDC_PREVIEW);
  const RECT& infoPlace = TemplatePlace(IDC_INFO);
  const int margins = 2 * preview.left;
  // The text takes at least its place in the template, as the layout gives it.
  const int infoHeight = InfoHeight(info, infoPlace.right - infoPlace.left);
  const int templateInfoHeight = infoPlace.bottom - infoPlace.top;
  const int below = templateClient_.cy - preview.bottom +
                    (infoHeight > templateInfoHeight ? infoHeight - templateInfoHeight : 0);
  const int64_t roomWidth = (work.right - work.left) - (frame.right - frame.left) - margins;
  const int64_t roomHeight = (work.bottom - work.top) - (frame.bottom - frame.top) - preview.top - below;
  // As the greeting shows it: at the monitor's whole-number scale where that fits.
  const RECT room = {0, 0, static_cast<LONG>(roomWidth), static_cast<LONG>(roomHeight)};
  const int scale = FittingScale(PixelScale(dpi_), *width, *height, 0, 0, room);
  if (*width <= roomWidth && *height <= roomHeight) {
    *width *= scale;
    *height *= scale;
    return 100;
  }
  // The larger of the two shrinks decides; both sides keep their ratio.
  int64_t across = roomWidth, full = *width;
  if (roomHeight * *width < roomWidth * *height) {
    across = roomHeight;
    full = *height;
  }
  const int64_t fullWidth = *width, fullHeight = *height;
  *width = static_cast<int>(fullWidth * across / full);
  *height = static_cast<int>(fullHeight * across / full);
  if (*width < 1) *width = 1;
  if (*height < 1) *height = 1;
  const int percent = static_cast<int>(100 * across / full);
  return percent < 1 ? 1 : percent;
}

int MakerWindow::InfoHeight(const std::string& text, int width) const {
  HWND info = GetDlgItem(hwnd, IDC_INFO);
  const WindowDc dc(info);
  const SelectedObject font(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(info, WM_GETFONT, 0, 0)));
  RECT box = {0, 0, width, 0};
  DrawTextW(dc, Utf16(text).c_str(), -1, &box, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  return box.bottom;
}

// The preview at the top, centred, as large as shown; everything under it moves
// down by what it and the text about it add to the template, and the window
// widens with a wide animation.
void MakerWindow::Layout(int previewWidth, int previewHeight) {
  const RECT& preview = TemplatePlace(IDC_PREVIEW);
  const int margin = preview.left;
  const int templateWidth = preview.right - preview.left;
  shown_ = SIZE{previewWidth, previewHeight};
  // The words' band as the greeting draws it: under the animation, centred
  // with it, at least its least width.
  const int scale = PixelScale(dpi_);
  const int bandWidth = previewWidth > kWordsBandMinWidth * scale ? previewWidth : kWordsBandMinWidth * scale;
  const RECT work = WorkAreaOf(hwnd);
  const WideText words = Utf16(words_);
  const int bandHeight =
      wordsView_.Show(std::wstring(words.c_str(), words.size()), bandWidth, scale, (work.bottom - work.top) / 2);
  int contentWidth = previewWidth > templateWidth ? previewWidth : templateWidth;
  if (bandHeight > 0 && bandWidth > contentWidth) contentWidth = bandWidth;
  const int clientWidth = contentWidth + 2 * margin;
  const int widened = clientWidth - templateClient_.cx;

  const std::string info = TextOf(GetDlgItem(hwnd, IDC_INFO));
  const RECT& infoPlace = TemplatePlace(IDC_INFO);
  const int bandTop = preview.top + previewHeight;
  const int infoTop = bandTop + bandHeight + (infoPlace.top - preview.bottom);
  int infoHeight = InfoHeight(info, contentWidth);
  if (infoHeight < infoPlace.bottom - infoPlace.top) infoHeight = infoPlace.bottom - infoPlace.top;
  const int down = infoTop + infoHeight - infoPlace.bottom;

  HDWP moves = BeginDeferWindowPos(static_cast<int>(template_.size()));
  for (const Place& place : template_) {
    RECT r = place.rect;
    if (place.id == IDC_PREVIEW) {
      r = RECT{margin + (contentWidth - previewWidth) / 2, preview.top, 0, 0};
      r.right = r.left + previewWidth;
      r.bottom = r.top + previewHeight;
    } else if (place.id == IDC_WORDS) {
      r.left = margin + (contentWidth - bandWidth) / 2;
      r = RECT{r.left, bandTop, r.left + bandWidth, bandTop + bandHeight};
    } else if (place.id == IDC_INFO) {
      r = RECT{margin, infoTop, margin + contentWidth, infoTop + infoHeight};
    } else {
      OffsetRect(&r, 0, down);
      if (place.id == IDC_SAVE || place.id == IDC_SAVE_WEB || place.id == IDC_PLAY_SAVED) OffsetRect(&r, widened, 0);
      if (place.id == IDC_SONG || place.id == IDC_STATUS || place.id == IDC_SEND_NOTE || place.id == IDC_MESSAGE_LABEL ||
          place.id == IDC_MESSAGE || place.id == IDC_MESSAGE_COUNT)
        r.right += widened;
    }
    moves = DeferWindowPos(moves, GetDlgItem(hwnd, place.id), nullptr, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
  }
  EndDeferWindowPos(moves);

  // The frame and menu sizes come from the system; a narrow window that wraps
  // its menu bar is grown by what is missing.
  const int clientHeight = templateClient_.cy + down;
  RECT bounds = {0, 0, clientWidth, clientHeight};
  AdjustWindowRectForDpi(&bounds, GetWindowLongA(hwnd, GWL_STYLE), TRUE, GetWindowLongA(hwnd, GWL_EXSTYLE), dpi_);
  int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client;
  GetClientRect(hwnd, &client);
  width += clientWidth - client.right;
  height += clientHeight - client.bottom;
  // Kept on its monitor's work area: a window grown past its edge moves back onto it.
  RECT window;
  GetWindowRect(hwnd, &window);
  int left = window.left, top = window.top;
  if (left + width > work.right) left = work.right - width;
  if (top + height > work.bottom) top = work.bottom - height;
  if (left < work.left) left = work.left;
  if (top < work.top) top = work.top;
  SetWindowPos(hwnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  // Each control draws itself again where it now stands, over a fresh background.
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The page saved, in the browser the system opens web pages with.
void MakerWindow::OpenSavedPage() {
  const WideText page = Utf16(savedPath_);
  const WideText folder = Utf16(FolderOf(savedPath_));
  const HINSTANCE opened = ShellExecuteW(hwnd, L"open", page.c_str(), nullptr,
                                         folder.size() == 0 ? nullptr : folder.c_str(), SW_SHOWNORMAL);
  // Values up to 32 are the reasons it failed.
  const INT_PTR kLastFailure = 32;
  if (reinterpret_cast<INT_PTR>(opened) <= kLastFailure) {
    Complain("The page cannot be opened here.", savedPath_ + ": Windows has no program to open web pages with (error " +
                                                   std::to_string(reinterpret_cast<INT_PTR>(opened)) +
                                                   "); open it in a browser yourself");
  }
}

// The words as they will go on the greeting, counted as the packer counts
// them; the preview shows them.
void MakerWindow::OnWordsChanged() {
  HWND box = GetDlgItem(hwnd, IDC_MESSAGE);
  std::wstring typed(static_cast<size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
  typed.resize(static_cast<size_t>(GetWindowTextW(box, &typed[0], static_cast<int>(typed.size()))));
  words_ = NormalisedWords(Utf8(typed.c_str()));
  const long count = CountCharacters(words_);
  std::string says = Grouped(count) + " of " + Grouped(static_cast<int64_t>(kMostWordCharacters)) + " characters";
  if (!WordsFit()) says += ": too many to save";
  SetText(GetDlgItem(hwnd, IDC_MESSAGE_COUNT), says);
  Layout(shown_.cx, shown_.cy);
  UpdateControls();
}

bool MakerWindow::WordsFit() const { return CountCharacters(words_) <= static_cast<long>(kMostWordCharacters); }

void MakerWindow::UpdateControls() {
  const bool busy = job_ != nullptr;
  const bool loaded = loaded_ != nullptr;
  const bool song = !songPath_.empty();
  const bool reduced = loaded && loaded_->need.needed && !loaded_->flattening.exact;
  struct State {
    int control;
    int command;
    bool enabled;
  } states[] = {
      {IDC_OPEN, IDM_OPEN, true},
      {IDC_SAVE, IDM_SAVE, loaded && !busy && WordsFit()},
      {IDC_SAVE_WEB, IDM_SAVE_WEB, loaded && !busy && WordsFit()},
      {IDC_DITHER, 0, reduced && !busy},
      {IDC_ADD_SONG, IDM_ADD_SONG, true},
      {IDC_REMOVE_SONG, IDM_REMOVE_SONG, song},
      {IDC_LISTEN, 0, song && !songPlayer_.playing()},
      {IDC_STOP, 0, songPlayer_.playing()},
      {IDC_PLAY_SAVED, 0, !savedPath_.empty()},
  };
  HMENU menu = GetMenu(hwnd);
  for (const State& state : states) {
    EnableWindow(GetDlgItem(hwnd, state.control), state.enabled);
    if (state.command) EnableMenuItem(menu, state.command, MF_BYCOMMAND | (state.enabled ? MF_ENABLED : MF_GRAYED));
  }
  // Enter saves once there is something to save, and opens before.
  SendMessageA(hwnd, DM_SETDEFID, loaded && !busy ? IDC_SAVE : IDC_OPEN, 0);
  // A control disabled under the focus would leave the keyboard nowhere.
  HWND focus = GetFocus();
  if (focus != nullptr && GetParent(focus) == hwnd && !IsWindowEnabled(focus)) {
    SendMessageA(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(hwnd, loaded && !busy ? IDC_SAVE : IDC_OPEN)),
                 TRUE);
  }
}

void MakerWindow::Complain(const char* what, const std::string& reasons) {
  const std::string text = std::string(what) + "\r\n\r\n" + reasons;
  MessageBoxW(hwnd, Utf16(text).c_str(), Utf16(kTitle).c_str(), MB_OK | MB_ICONEXCLAMATION);
}
