#include "file_dialogs.h"

#include <commdlg.h>

#include <vector>

#include "native_path.h"

namespace {

// The longest path the dialogs hand back, in characters.
const DWORD kLongestPath = 4096;

std::string Run(HWND owner, const wchar_t* filter, const wchar_t* title, const wchar_t* extension,
                const std::string& folder, const std::string& proposed, bool save) {
  std::vector<wchar_t> file(kLongestPath, L'\0');
  const WideText given = Utf16(proposed);
  for (size_t i = 0; i < given.size() && i + 1 < file.size(); i++) file[i] = given.c_str()[i];
  const WideText initialFolder = Utf16(folder);
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = kLongestPath;
  dialog.lpstrInitialDir = folder.empty() ? nullptr : initialFolder.c_str();
  dialog.lpstrTitle = title;
  dialog.lpstrDefExt = extension;
  // The current folder stays where the program started, so relative paths
  // given on its command line keep their meaning.
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                 (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  return chosen ? Utf8(file.data()) : std::string();
}

// Save As, proposing the animation's own name with `extension`, in its folder.
std::string ChooseBeside(HWND owner, const std::string& animationPath, const wchar_t* filter, const wchar_t* title,
                         const wchar_t* extension) {
  std::string name = NameOf(animationPath);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  std::string folder = FolderOf(animationPath);
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';  // "C:" alone is the drive's current folder
  return Run(owner, filter, title, extension, folder, name + "." + Utf8(extension), true);
}

}  // namespace

std::string ChooseAnimation(HWND owner) {
  return Run(owner, L"GIF animations (*.gif)\0*.gif\0All files (*.*)\0*.*\0", L"Open animation", L"gif", "", "",
             false);
}

std::string ChooseSong(HWND owner) {
  return Run(owner, L"MIDI songs (*.mid, *.midi, *.rmi)\0*.mid;*.midi;*.rmi\0All files (*.*)\0*.*\0", L"Add song",
             L"mid", "", "", false);
}

std::string ChooseGreetingPath(HWND owner, const std::string& animationPath) {
  return ChooseBeside(owner, animationPath, L"Greetings (*.exe)\0*.exe\0", L"Save greeting", L"exe");
}

std::string ChooseWebPagePath(HWND owner, const std::string& animationPath) {
  return ChooseBeside(owner, animationPath, L"Web pages (*.html)\0*.html\0", L"Save for the web", L"html");
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
