#include "support/plain_gif.h"

#include "byte_writer.h"

namespace {

void PutColourTable(std::string* out, const std::vector<uint32_t>& colours) {
  for (int i = 0; i < 256; i++) {
    uint32_t c = i < static_cast<int>(colours.size()) ? colours[i] : 0;
    out->push_back(static_cast<char>(c & 0xFF));
    out->push_back(static_cast<char>((c >> 8) & 0xFF));
    out->push_back(static_cast<char>((c >> 16) & 0xFF));
  }
}

// 9-bit literal codes with a clear code every 254 codes, packed LSB first into
// sub-blocks of at most 255 bytes.
std::string EncodeLiterals(const std::vector<uint8_t>& indices) {
  std::string data;
  uint32_t bits = 0;
  int count = 0;
  auto put = [&](int code) {
    bits |= static_cast<uint32_t>(code) << count;
    count += 9;
    while (count >= 8) {
      data.push_back(static_cast<char>(bits & 0xFF));
      bits >>= 8;
      count -= 8;
    }
  };
  const int clear = 256, end = 257;
  for (size_t i = 0; i < indices.size(); i++) {
    if (i % 254 == 0) put(clear);
    put(indices[i]);
  }
  put(end);
  if (count > 0) data.push_back(static_cast<char>(bits & 0xFF));

  std::string blocks(1, '\x08');  // minimum code size
  for (size_t pos = 0; pos < data.size(); pos += 255) {
    std::string chunk = data.substr(pos, 255);
    blocks.push_back(static_cast<char>(chunk.size()));
    blocks += chunk;
  }
  blocks.push_back('\0');
  return blocks;
}

}  // namespace

std::string PlainGif(int width, int height, const std::vector<uint32_t>& colours,
                     const std::vector<PlainFrame>& frames) {
  std::string out = "GIF89a";
  PutU16(&out, width);
  PutU16(&out, height);
  out.push_back(static_cast<char>(colours.empty() ? 0x00 : 0xF7));
  out.push_back('\0');
  out.push_back('\0');
  if (!colours.empty()) PutColourTable(&out, colours);
  for (const PlainFrame& frame : frames) {
    out += std::string("\x21\xF9\x04\x00", 4);
    PutU16(&out, frame.delay);
    out += std::string("\x00\x00", 2);
    out.push_back('\x2C');
    PutU16(&out, frame.left);
    PutU16(&out, frame.top);
    PutU16(&out, frame.width);
    PutU16(&out, frame.height);
    out.push_back(static_cast<char>(frame.localColours.empty() ? 0x00 : 0x87));
    if (!frame.localColours.empty()) PutColourTable(&out, frame.localColours);
    out += EncodeLiterals(frame.indices);
  }
  out.push_back('\x3B');
  return out;
}

PlainFrame SolidFrame(int left, int top, int width, int height, uint8_t index, int delay) {
  PlainFrame frame;
  frame.left = left;
  frame.top = top;
  frame.width = width;
  frame.height = height;
  frame.delay = delay;
  frame.indices.assign(static_cast<size_t>(width) * height, index);
  return frame;
}
