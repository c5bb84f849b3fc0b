// Whole files in and out of memory, for the benchmark's host programs.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

inline bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

inline bool WriteWholeFile(const char* path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file.flush());
}
