#include "whole_file.h"

#include <cerrno>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

#include "native_path.h"

FILE* OpenPath(const std::string& path, const char* mode) {
#ifdef _WIN32
  const wchar_t wideMode[] = {static_cast<wchar_t>(mode[0]), static_cast<wchar_t>(mode[1]), 0};
  return _wfopen(NativePath(path).c_str(), wideMode);
#else
  return std::fopen(path.c_str(), mode);
#endif
}

bool RemovePath(const std::string& path) {
#ifdef _WIN32
  return _wremove(NativePath(path).c_str()) == 0;
#else
  return std::remove(path.c_str()) == 0;
#endif
}

bool ReplacePath(const std::string& from, const std::string& to) {
#ifdef _WIN32
  return MoveFileExW(NativePath(from).c_str(), NativePath(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

template <typename Bytes>
Bytes ReadWholeFile(const std::string& path, bool* read) {
  Bytes bytes;
  FILE* file = OpenPath(path, "rb");
  bool ok = file != nullptr;
  if (ok) {
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
      bytes.insert(bytes.end(), chunk, chunk + got);
    }
    ok = !std::ferror(file);
    const int why = errno;
    std::fclose(file);
    errno = why;
  }
  if (!ok) bytes.clear();
  if (read) *read = ok;
  return bytes;
}

template std::vector<uint8_t> ReadWholeFile(const std::string& path, bool* read);
template std::string ReadWholeFile(const std::string& path, bool* read);

bool WriteWholeFile(const std::string& path, const std::vector<ByteView>& pieces) {
  FILE* file = OpenPath(path, "wb");
  if (!file) return false;
  bool written = true;
  for (const ByteView& piece : pieces) {
    if (piece.size() > 0 && std::fwrite(piece.data(), 1, piece.size(), file) != piece.size()) {
      written = false;
      break;
    }
  }
  // The first failure is the one worth telling; closing after it may set errno again.
  const int why = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written) errno = why;
  return written && closed;
}
