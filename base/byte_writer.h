// Little-endian fields, as the GIF and Windows file formats store them, appended
// to a std::string or a std::vector<uint8_t>.
#pragma once

#include <cstdint>

template <typename Bytes>
void PutU8(Bytes* out, uint32_t value) {
  out->push_back(static_cast<typename Bytes::value_type>(value & 0xFF));
}

template <typename Bytes>
void PutU16(Bytes* out, uint32_t value) {
  PutU8(out, value);
  PutU8(out, value >> 8);
}

template <typename Bytes>
void PutU32(Bytes* out, uint32_t value) {
  PutU16(out, value);
  PutU16(out, value >> 16);
}
