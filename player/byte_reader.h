// A read position over a block of bytes in memory.
#pragma once

#include <cstdint>

struct ByteReader {
  const uint8_t* data;
  int32_t size;
  int32_t pos;
};

// The byte at pos, advancing pos; -1 once pos has reached size.
inline int ReadByte(ByteReader* reader) {
  if (reader->pos >= reader->size) return -1;
  return reader->data[reader->pos++];
}

// Owns the fixed block a section is read into; the block is released when the
// owner goes out of scope, on every path out of the step that read the section.
class SectionBlock {
 public:
  // A reader over `size` fresh bytes; without memory (data null) when size is not
  // positive or cannot be allocated.
  explicit SectionBlock(int32_t size);
  ~SectionBlock();
  SectionBlock(const SectionBlock&) = delete;
  SectionBlock& operator=(const SectionBlock&) = delete;

  ByteReader reader;
};
