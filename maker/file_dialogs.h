// The system's Open and Save As dialogs, as the maker asks them. Each returns
// the path chosen, or an empty string when the person cancels.
#pragma once

#include <windows.h>

#include <string>

std::string ChooseAnimation(HWND owner);
std::string ChooseSong(HWND owner);
// Proposes the animation's own name with .exe, in the animation's folder.
std::string ChooseGreetingPath(HWND owner, const std::string& animationPath);
// The same for the web page: the animation's name with .html.
std::string ChooseWebPagePath(HWND owner, const std::string& animationPath);

// The folder part of a path, without its last separator; empty when none.
std::string FolderOf(const std::string& path);
// The name after the last separator.
std::string NameOf(const std::string& path);
