#include "song_player.h"

namespace {

std::string Reason(MCIERROR error) {
  char text[256] = "";
  if (!mciGetErrorStringA(error, text, sizeof text)) return "error " + std::to_string(error);
  return text;
}

}  // namespace

std::string SongPlayer::Play(const std::string& path, HWND window) {
  Stop();
  MCI_OPEN_PARMSA open = {};
  open.lpstrDeviceType = "sequencer";
  open.lpstrElementName = path.c_str();
  MCIERROR error = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, reinterpret_cast<DWORD_PTR>(&open));
  if (error != 0) return Reason(error);
  device_ = open.wDeviceID;
  MCI_PLAY_PARMS play = {};
  play.dwCallback = reinterpret_cast<DWORD_PTR>(window);
  error = mciSendCommandA(device_, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play));
  if (error != 0) {
    Stop();
    return Reason(error);
  }
  return std::string();
}

void SongPlayer::Stop() {
  if (device_ == 0) return;
  mciSendCommandA(device_, MCI_STOP, 0, 0);
  mciSendCommandA(device_, MCI_CLOSE, 0, 0);
  device_ = 0;
}
