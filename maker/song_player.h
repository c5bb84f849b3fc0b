// Plays the song once through the system's MIDI sequencer, as the greeting
// will, so that it can be heard before it is packed.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <string>

class SongPlayer {
 public:
  SongPlayer() = default;
  ~SongPlayer() { Stop(); }
  SongPlayer(const SongPlayer&) = delete;
  SongPlayer& operator=(const SongPlayer&) = delete;

  // Starts `path`; the sequencer tells `window` with MM_MCINOTIFY when it ends.
  // An empty string when it plays, else the sequencer's reason.
  std::string Play(const std::string& path, HWND window);
  void Stop();
  bool playing() const { return device_ != 0; }
  // Whether an MM_MCINOTIFY is about the song this plays.
  bool IsFrom(LPARAM device) const { return device_ != 0 && static_cast<MCIDEVICEID>(device) == device_; }

 private:
  MCIDEVICEID device_ = 0;
};
