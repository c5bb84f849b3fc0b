#include "support/scratch_dir.h"

#include <cstdio>
#include <cstdlib>

#include "native_path.h"
#include "whole_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <unistd.h>
#endif

namespace {
#ifdef _WIN32
const char kSeparator = '\\';
#else
const char kSeparator = '/';
#endif
}  // namespace

ScratchDir::ScratchDir(const std::string& suffix) {
#ifdef _WIN32
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static int counter;
  for (;;) {
    char name[64];
    std::snprintf(name, sizeof name, "loopvue-test-%lu-%d", GetCurrentProcessId(), ++counter);
    const std::string path = Utf8(temp) + name + suffix;
    if (CreateDirectoryW(Utf16(path).c_str(), nullptr)) {
      path_ = path;
      break;
    }
  }
#else
  std::string name = "/tmp/loopvue-test-XXXXXX";
  path_ = mkdtemp(&name[0]);
  if (!suffix.empty() && rename(path_.c_str(), (path_ + suffix).c_str()) == 0) path_ += suffix;
#endif
}

ScratchDir::~ScratchDir() {
  for (const std::string& name : List()) RemovePath(File(name));
#ifdef _WIN32
  RemoveDirectoryW(Utf16(path_).c_str());
#else
  rmdir(path_.c_str());
#endif
}

std::string ScratchDir::File(const std::string& name) const { return path_ + kSeparator + name; }

std::vector<std::string> ScratchDir::List() const {
  std::vector<std::string> names;
#ifdef _WIN32
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Utf16(path_ + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = Utf8(found.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
#else
  if (DIR* dir = opendir(path_.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
#endif
  return names;
}

bool FileExists(const std::string& path) {
  FILE* file = OpenPath(path, "rb");
  if (file) std::fclose(file);
  return file != nullptr;
}

void SetEnv(const char* name, const char* value) {
#ifdef _WIN32
  SetEnvironmentVariableW(Utf16(name).c_str(), value ? Utf16(value).c_str() : nullptr);
#else
  if (value) setenv(name, value, 1); else unsetenv(name);
#endif
}
