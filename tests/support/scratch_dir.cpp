#include "support/scratch_dir.h"

#include <cstdio>
#include <cstdlib>

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

ScratchDir::ScratchDir() {
#ifdef _WIN32
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  static int counter;
  for (;;) {
    char name[MAX_PATH + 64];
    std::snprintf(name, sizeof name, "%sloopvue-test-%lu-%d", temp, GetCurrentProcessId(), ++counter);
    if (CreateDirectoryA(name, nullptr)) {
      path_ = name;
      break;
    }
  }
#else
  char name[] = "/tmp/loopvue-test-XXXXXX";
  path_ = mkdtemp(name);
#endif
}

ScratchDir::~ScratchDir() {
  for (const std::string& name : List()) std::remove(File(name).c_str());
#ifdef _WIN32
  RemoveDirectoryA(path_.c_str());
#else
  rmdir(path_.c_str());
#endif
}

std::string ScratchDir::File(const std::string& name) const { return path_ + kSeparator + name; }

std::vector<std::string> ScratchDir::List() const {
  std::vector<std::string> names;
#ifdef _WIN32
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found));
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
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file) std::fclose(file);
  return file != nullptr;
}

void SetEnv(const char* name, const char* value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name, value);
#else
  if (value) setenv(name, value, 1); else unsetenv(name);
#endif
}
