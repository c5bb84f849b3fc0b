// A bounded cursor over a GIF stream, for walking its blocks: reads past the end
// give -1, and a skip past the end fails and leaves the cursor at the end.
#pragma once

#include <cstddef>
#include <cstdint>

class GifCursor {
 public:
  GifCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  int Byte() { return pos_ < size_ ? data_[pos_++] : -1; }
  int U16() {
    int low = Byte(), high = Byte();
    return high < 0 ? -1 : (low | high << 8);
  }
  bool Skip(size_t count) {
    if (count > size_ - pos_) {
      pos_ = size_;
      return false;
    }
    pos_ += count;
    return true;
  }
  const uint8_t* Here() const { return data_ + pos_; }
  size_t Offset() const { return pos_; }
  size_t Remaining() const { return size_ - pos_; }
  // Skips data sub-blocks through the zero-length terminator.
  bool SkipSubBlocks() {
    for (;;) {
      int length = Byte();
      if (length < 0) return false;
      if (length == 0) return true;
      if (!Skip(static_cast<size_t>(length))) return false;
    }
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

