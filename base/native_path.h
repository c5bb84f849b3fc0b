// Paths as the file system takes them. On Windows the programs carry paths and
// texts as UTF-8 and hand them to the wide calls, so that a name in any script
// reaches the file system, and the screen, whole; elsewhere a path is its bytes
// and passes unchanged.
#pragma once

#include <string>
#include <vector>

#ifdef _WIN32
// A UTF-16 text with its terminator, for the wide calls. Not std::wstring: its
// instantiation would add a third of the maker's size budget to what ships.
class WideText {
 public:
  explicit WideText(const std::string& utf8);
  const wchar_t* c_str() const { return chars_.data(); }
  // A writable copy, for calls that may change what they are given.
  wchar_t* data() { return chars_.data(); }
  size_t size() const { return chars_.size() - 1; }

 private:
  std::vector<wchar_t> chars_;
};

inline WideText Utf16(const std::string& utf8) { return WideText(utf8); }
std::string Utf8(const wchar_t* utf16);
inline WideText NativePath(const std::string& path) { return WideText(path); }
#else
inline const std::string& NativePath(const std::string& path) { return path; }
inline std::string Utf8(const char* path) { return path; }
#endif
