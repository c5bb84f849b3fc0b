#include "song_player.h"

#include "native_path.h"
#include "sequencer.h"

namespace {

std::string Reason(MCIERROR error) {
  wchar_t text[256] = L"";
  if (!mciGetErrorStringW(error, text, sizeof text / sizeof text[0])) return "error " + std::to_string(error);
  return Utf8(text);
}

}  // namespace

std::string SongPlayer::Play(const std::string& path, HWND window) {
  Stop();
  MCIERROR error = OpenSequencer(Utf16(path).c_str(), &device_);
  if (error != 0) return Reason(error);
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
