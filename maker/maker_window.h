// The maker's window: a dialog of its own class with the animation playing as
// the greeting will show it, what is said about it, the song and the save.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gdi_owners.h"
#include "greeting_job.h"
#include "indexed_bitmap.h"
#include "preview_view.h"
#include "song_player.h"
#include "words_view.h"

extern const char kMakerClass[];

// The window's timers: the next frame, and the sign of life while a job runs.
const UINT_PTR kFrameTimer = 1;
const UINT_PTR kBusyTimer = 2;
// Posted by a job when it is done, with the job as the LPARAM.
const UINT kJobDoneMessage = WM_APP + 1;

class MakerWindow {
 public:
  MakerWindow() = default;
  ~MakerWindow();
  MakerWindow(const MakerWindow&) = delete;
  MakerWindow& operator=(const MakerWindow&) = delete;

  // Registers the window's class and the preview's, and creates the window.
  bool Create(HINSTANCE instance, int showCommand);
  // Files given on the command line or dropped: songs (known by their
  // extension) are added, and the first other file is opened as the animation.
  void OpenFiles(const std::vector<std::string>& paths);
  // The message loop, with the menu's shortcuts and the dialog's keys; returns
  // the exit code.
  int Run();

  HWND hwnd = nullptr;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInit();
  void OnCommand(WORD id);
  void OnDrop(HDROP drop);
  void OnDestroy();
  void OnDpiChanged(UINT dpi, const RECT& suggested);

  // Animation
  void OpenAnimation(const std::string& path);
  void StartJob(std::unique_ptr<GreetingJob> job);
  void OnJobDone(GreetingJob* job);
  void ShowAnimation(std::unique_ptr<AnimationLoad> load);
  void LayOutAnimation();
  void FlattenAgain(bool dither);
  void AdvanceFrame();
  void OnBusyTick();

  // Song
  void AddSong(const std::string& path);
  void RemoveSong();
  void Listen();

  // Greeting
  // The .exe, or with `web` the web page.
  void SaveGreeting(bool web);
  // The last greeting saved, with its Play it (or, for a page, Open it)
  // button and how to send it, or nothing.
  void ShowSaved();
  void PlaySaved();
  void OpenSavedPage();
  void OnWordsChanged();
  // The words are few enough to save.
  bool WordsFit() const;

  // Layout and state of the controls
  void Remember();
  // Where the template put control `id`.
  const RECT& TemplatePlace(int id) const;
  int ShownPercent(int* width, int* height, const std::string& info) const;
  int InfoHeight(const std::string& text, int width) const;
  void Layout(int previewWidth, int previewHeight);
  void UpdateControls();
  void Complain(const char* what, const std::string& reasons);

  HINSTANCE instance_ = nullptr;
  HACCEL accelerators_ = nullptr;
  PreviewView preview_;
  WordsView wordsView_;
  // The preview's size as last laid out.
  SIZE shown_ = {};

  // What is shown and what a save packs.
  std::unique_ptr<AnimationLoad> loaded_;
  IndexedBitmap canvas_ = {};
  GdiPalette palette_;
  int32_t frameIndex_ = -1;

  std::string songPath_;
  std::vector<uint8_t> song_;
  SongPlayer songPlayer_;
  // The sender's words as the greeting will carry them.
  std::string words_;

  // The job running, when one is, and when it started; an animation asked for
  // meanwhile waits for it.
  std::unique_ptr<GreetingJob> job_;
  DWORD jobStart_ = 0;
  std::string waitingAnimation_;

  std::string savedPath_;
  bool savedWeb_ = false;
  std::string savedText_;
  // How what was saved goes to its people.
  std::string sendingText_;

  // The controls' places in the template, in client pixels: the layout moves
  // every control under the preview by what the preview adds.
  struct Place {
    int id;
    RECT rect;
  };
  std::vector<Place> template_;
  SIZE templateClient_ = {};
  // The DPI the window is laid out for.
  UINT dpi_ = 96;
};
