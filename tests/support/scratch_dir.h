// A fresh directory for one test's files, removed with everything in it at the end.
#pragma once

#include <string>
#include <vector>

class ScratchDir {
 public:
  // The folder's name ends in `suffix`, which may be in any script (UTF-8).
  explicit ScratchDir(const std::string& suffix = "");
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  // path() joined with `name` by the platform's separator.
  std::string File(const std::string& name) const;
  // Names of the files in the directory.
  std::vector<std::string> List() const;

 private:
  std::string path_;
};

// Paths are UTF-8 on Windows too.
bool FileExists(const std::string& path);
// Sets an environment variable of this process; null removes it.
void SetEnv(const char* name, const char* value);
