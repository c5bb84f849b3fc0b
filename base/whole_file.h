// Whole files in and out of memory, for the packer, the tools that make the
// programs' art and samples, the tests and the benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

// Opens the file at `path` (UTF-8 on Windows) as fopen does with `mode`, a
// two-letter mode such as "rb".
FILE* OpenPath(const std::string& path, const char* mode);
// Deletes the file at `path`; false, with errno telling why, when it cannot.
bool RemovePath(const std::string& path);
// Renames the file at `from` to `to`, replacing any file there; false when it
// cannot. What is written aside and then renamed is never seen half-written.
bool ReplacePath(const std::string& from, const std::string& to);

// The whole file at `path`, as a std::vector<uint8_t> or a std::string. When it
// cannot be read the result is empty and `read`, if given, false, with errno
// telling why.
template <typename Bytes = std::vector<uint8_t>>
Bytes ReadWholeFile(const std::string& path, bool* read = nullptr);

// Bytes the caller holds, to be written: any container of bytes with data() and
// size(), or a pointer and a count.
class ByteView {
 public:
  template <typename Bytes, typename = decltype(std::declval<const Bytes&>().data())>
  ByteView(const Bytes& bytes) : data_(bytes.data()), size_(bytes.size() * sizeof *bytes.data()) {}
  ByteView(const void* data, size_t size) : data_(data), size_(size) {}

  const void* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  const void* data_;
  size_t size_;
};

// Creates or replaces the file at `path` with `pieces` back to back. False, with
// errno telling why, when it cannot; the file may then be left partly written.
bool WriteWholeFile(const std::string& path, const std::vector<ByteView>& pieces);
inline bool WriteWholeFile(const std::string& path, std::initializer_list<ByteView> pieces) {
  return WriteWholeFile(path, std::vector<ByteView>(pieces));
}
inline bool WriteWholeFile(const std::string& path, ByteView bytes) { return WriteWholeFile(path, {bytes}); }
