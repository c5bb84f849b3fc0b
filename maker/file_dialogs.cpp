#include "file_dialogs.h"

#include <commdlg.h>

namespace {

std::string Run(HWND owner, const char* filter, const char* title, const char* extension, const std::string& folder,
                const std::string& proposed, bool save) {
  char file[MAX_PATH] = "";
  proposed.copy(file, sizeof file - 1);
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter;
  dialog.lpstrFile = file;
  dialog.nMaxFile = sizeof file;
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.lpstrTitle = title;
  dialog.lpstrDefExt = extension;
  // The current folder stays where the program started, so relative paths
  // given on its command line keep their meaning.
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                 (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
  return chosen ? std::string(file) : std::string();
}

}  // namespace

std::string ChooseAnimation(HWND owner) {
  return Run(owner, "GIF animations (*.gif)\0*.gif\0All files (*.*)\0*.*\0", "Open animation", "gif", "", "",
             false);
}

std::string ChooseSong(HWND owner) {
  return Run(owner, "MIDI songs (*.mid, *.midi, *.rmi)\0*.mid;*.midi;*.rmi\0All files (*.*)\0*.*\0", "Add song",
             "mid", "", "", false);
}

std::string ChooseGreetingPath(HWND owner, const std::string& animationPath) {
  std::string name = NameOf(animationPath);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  std::string folder = FolderOf(animationPath);
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';  // "C:" alone is the drive's current folder
  return Run(owner, "Greetings (*.exe)\0*.exe\0", "Save greeting", "exe", folder, name + ".exe", true);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
