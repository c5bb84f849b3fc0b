// Little-endian fields for the Windows file formats written here.
#pragma once

#include <cstdint>
#include <string>

inline void PutU8(std::string& out, uint32_t value) { out.push_back(static_cast<char>(value & 0xFF)); }

inline void PutU16(std::string& out, uint32_t value) {
  PutU8(out, value);
  PutU8(out, value >> 8);
}

inline void PutU32(std::string& out, uint32_t value) {
  PutU16(out, value);
  PutU16(out, value >> 16);
}
