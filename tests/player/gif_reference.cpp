#include "gif_reference.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "byte_writer.h"
#include "whole_file.h"

namespace {

// Little-endian 32-bit words behind the magic "GIDX".
const char kMagic[4] = {'G', 'I', 'D', 'X'};

// Reads through a dump, failing (and staying failed) at its end.
class DumpReader {
 public:
  explicit DumpReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  uint32_t Word() {
    if (bytes_.size() - pos_ < 4) {
      ok_ = false;
      return 0;
    }
    uint32_t value = 0;
    for (int i = 0; i < 4; i++) value |= static_cast<uint32_t>(bytes_[pos_ + i]) << (8 * i);
    pos_ += 4;
    return value;
  }
  bool Take(size_t count, std::vector<uint8_t>* out) {
    if (!ok_ || bytes_.size() - pos_ < count) return ok_ = false;
    out->assign(bytes_.begin() + static_cast<std::ptrdiff_t>(pos_),
                bytes_.begin() + static_cast<std::ptrdiff_t>(pos_ + count));
    pos_ += count;
    return true;
  }
  bool AtEnd() const { return pos_ == bytes_.size(); }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace

bool WriteDump(const std::string& path, const ReferenceGif& gif) {
  std::vector<uint8_t> out(kMagic, kMagic + 4);
  PutU32(&out, static_cast<uint32_t>(gif.width));
  PutU32(&out, static_cast<uint32_t>(gif.height));
  PutU32(&out, static_cast<uint32_t>(gif.colours.size()));
  for (uint32_t colour : gif.colours) PutU32(&out, colour);
  PutU32(&out, static_cast<uint32_t>(gif.frames.size()));
  for (const ReferenceFrame& frame : gif.frames) {
    PutU32(&out, static_cast<uint32_t>(frame.left));
    PutU32(&out, static_cast<uint32_t>(frame.top));
    PutU32(&out, static_cast<uint32_t>(frame.width));
    PutU32(&out, static_cast<uint32_t>(frame.height));
    PutU32(&out, frame.interlaced ? 1 : 0);
    PutU32(&out, static_cast<uint32_t>(frame.delay));
    out.insert(out.end(), frame.indices.begin(), frame.indices.end());
  }
  return WriteWholeFile(path, out);
}

bool ReadDump(const std::string& path, ReferenceGif* gif) {
  bool ok = false;
  const std::vector<uint8_t> bytes = ReadWholeFile(path, &ok);
  if (!ok || bytes.size() < 4 || !std::equal(kMagic, kMagic + 4, bytes.begin())) return false;
  const std::vector<uint8_t> body(bytes.begin() + 4, bytes.end());
  DumpReader in(body);
  *gif = ReferenceGif();
  gif->width = static_cast<int32_t>(in.Word());
  gif->height = static_cast<int32_t>(in.Word());
  const uint32_t colours = in.Word();
  for (uint32_t i = 0; i < colours && in.ok(); i++) gif->colours.push_back(in.Word());
  const uint32_t frames = in.Word();
  for (uint32_t i = 0; i < frames && in.ok(); i++) {
    ReferenceFrame frame;
    frame.left = static_cast<int32_t>(in.Word());
    frame.top = static_cast<int32_t>(in.Word());
    frame.width = static_cast<int32_t>(in.Word());
    frame.height = static_cast<int32_t>(in.Word());
    frame.interlaced = in.Word() != 0;
    frame.delay = static_cast<int32_t>(in.Word());
    in.Take(static_cast<size_t>(frame.width) * static_cast<size_t>(frame.height), &frame.indices);
    gif->frames.push_back(std::move(frame));
  }
  return in.ok() && in.AtEnd();
}
