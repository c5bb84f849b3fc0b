#include "support/gif_writer.h"

#include <cstddef>
#include <map>
#include <utility>

std::vector<uint8_t> IndexImage::Row(int y) const {
  auto begin = pixels.begin() + static_cast<std::ptrdiff_t>(y) * width;
  return std::vector<uint8_t>(begin, begin + width);
}

IndexImage PatternImage(int width, int height, int colours, uint32_t seed) {
  IndexImage image(width, height);
  uint32_t state = seed * 2654435761u + 1;
  for (int y = 0; y < height; y++) {
    for (int x = 0; x < width; x++) {
      // Runs of equal indices broken by noise, so the encoder meets both long
      // matches and fresh strings.
      state = state * 1103515245u + 12345u;
      uint32_t noise = (state >> 16) % 7 == 0 ? (state >> 20) : 0;
      image.At(x, y) = static_cast<uint8_t>(((x / 3) + (y / 2) * 5 + noise) % static_cast<uint32_t>(colours));
    }
  }
  return image;
}

std::vector<int> InterlacedRows(int height) {
  std::vector<int> rows;
  for (int pass = 0; pass < kGifInterlacePasses; pass++) {
    for (int y = kGifPassStart[pass]; y < height; y += kGifPassStep[pass]) rows.push_back(y);
  }
  return rows;
}

std::vector<uint8_t> StreamOrder(const IndexImage& image, bool interlaced) {
  std::vector<uint8_t> out;
  out.reserve(image.pixels.size());
  std::vector<int> rows;
  if (interlaced) {
    rows = InterlacedRows(image.height);
  } else {
    for (int y = 0; y < image.height; y++) rows.push_back(y);
  }
  for (int y : rows) {
    std::vector<uint8_t> row = image.Row(y);
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

std::vector<uint8_t> PackCodes(const std::vector<LzwCode>& codes) {
  std::vector<uint8_t> out;
  uint32_t buffer = 0;
  int bits = 0;
  for (const LzwCode& c : codes) {
    buffer |= static_cast<uint32_t>(c.code & ((1 << c.width) - 1)) << bits;
    bits += c.width;
    while (bits >= 8) {
      out.push_back(static_cast<uint8_t>(buffer));
      buffer >>= 8;
      bits -= 8;
    }
  }
  if (bits > 0) out.push_back(static_cast<uint8_t>(buffer));
  return out;
}

std::vector<uint8_t> SubBlocks(const std::vector<uint8_t>& data, const std::vector<int>& sizes, bool terminate) {
  std::vector<uint8_t> out;
  size_t pos = 0;
  size_t which = 0;
  while (pos < data.size()) {
    size_t size = static_cast<size_t>(sizes[which]);
    if (which + 1 < sizes.size()) which++;
    if (size > data.size() - pos) size = data.size() - pos;
    out.push_back(static_cast<uint8_t>(size));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(pos),
               data.begin() + static_cast<std::ptrdiff_t>(pos + size));
    pos += size;
  }
  if (terminate) out.push_back(0);
  return out;
}

std::vector<LzwCode> LzwCodeList(const std::vector<uint8_t>& indices, int minCodeSize) {
  const int clearCode = 1 << minCodeSize;
  const int endCode = clearCode + 1;
  std::vector<LzwCode> out;
  std::map<std::pair<int, int>, int> table;
  int nextCode = clearCode + 2;
  int width = minCodeSize + 1;
  out.push_back({clearCode, width});
  if (indices.empty()) {
    out.push_back({endCode, width});
    return out;
  }
  int prefix = indices[0];
  for (size_t i = 1; i < indices.size(); i++) {
    const int k = indices[i];
    auto found = table.find({prefix, k});
    if (found != table.end()) {
      prefix = found->second;
      continue;
    }
    out.push_back({prefix, width});
    if (nextCode < kGifMaxCodes) {
      table[{prefix, k}] = nextCode++;
      // The decoder adds its entries one code behind the encoder, so it widens
      // its codes once its own next free code, nextCode - 1, passes the limit.
      if (nextCode - 1 == (1 << width) && width < kGifMaxCodeSize) width++;
    }
    prefix = k;
  }
  out.push_back({prefix, width});
  // The decoder adds an entry for that last code too, which may widen the end code.
  if (nextCode < kGifMaxCodes && nextCode == (1 << width) && width < kGifMaxCodeSize) width++;
  out.push_back({endCode, width});
  return out;
}

std::vector<GifColour> TablePalette(int entries) {
  std::vector<GifColour> palette;
  for (int i = 0; i < entries; i++) {
    const uint32_t colour = TableColour(i);
    palette.push_back({static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                       static_cast<uint8_t>(colour >> 16)});
  }
  return palette;
}

GifFrameImage FrameOf(const IndexImage& image, int left, int top) {
  GifFrameImage frame;
  frame.left = left;
  frame.top = top;
  frame.width = image.width;
  frame.height = image.height;
  frame.pixels = image.pixels.data();
  return frame;
}

uint32_t TableColour(int i) {
  const uint32_t red = static_cast<uint32_t>(i) & 0xFF;
  const uint32_t green = static_cast<uint32_t>(255 - i) & 0xFF;
  const uint32_t blue = static_cast<uint32_t>(i * 37 + 11) & 0xFF;
  return red | green << 8 | blue << 16;
}

GifWriter& GifWriter::Header(const std::string& signature) {
  bytes_.insert(bytes_.end(), signature.begin(), signature.end());
  return *this;
}

GifWriter& GifWriter::U16(int value) {
  bytes_.push_back(static_cast<uint8_t>(value & 0xFF));
  bytes_.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
  return *this;
}

GifWriter& GifWriter::Screen(int width, int height, int tableBits, int background, int aspect) {
  U16(width);
  U16(height);
  // Colour resolution 8 bits as encoders write it; only the table bits matter.
  const int table = tableBits >= 0 ? kGifColourTableFlag | (tableBits & kGifTableSizeMask) : 0;
  bytes_.push_back(static_cast<uint8_t>(kGifColourResolution | table));
  bytes_.push_back(static_cast<uint8_t>(background));
  bytes_.push_back(static_cast<uint8_t>(aspect));
  return *this;
}

GifWriter& GifWriter::ColourTable(int tableBits) {
  for (int i = 0; i < (1 << (tableBits + 1)); i++) {
    const uint32_t colour = TableColour(i);
    bytes_.push_back(static_cast<uint8_t>(colour));
    bytes_.push_back(static_cast<uint8_t>(colour >> 8));
    bytes_.push_back(static_cast<uint8_t>(colour >> 16));
  }
  return *this;
}

GifWriter& GifWriter::GraphicControl(int delay, int blockSize, int terminator) {
  Raw({kGifExtensionIntroducer, kGifGraphicControlLabel, blockSize, kGifDoNotDispose << kGifDisposalShift});
  U16(delay);
  Raw({0x00, terminator});
  return *this;
}

GifWriter& GifWriter::Looping(int count) {
  Raw({kGifExtensionIntroducer, kGifApplicationLabel, 11});
  Header("NETSCAPE2.0");
  Raw({3, 1});
  U16(count);
  Raw({0});
  return *this;
}

GifWriter& GifWriter::Comment(const std::string& text) {
  Raw({kGifExtensionIntroducer, kGifCommentLabel});
  return Raw(SubBlocks(std::vector<uint8_t>(text.begin(), text.end())));
}

GifWriter& GifWriter::PlainText(const std::string& text) {
  // Grid position and size, cell size, foreground and background colour indices.
  Raw({kGifExtensionIntroducer, kGifPlainTextLabel, 12});
  U16(0);
  U16(0);
  U16(8 * static_cast<int>(text.size()));
  U16(8);
  Raw({8, 8, 1, 0});
  return Raw(SubBlocks(std::vector<uint8_t>(text.begin(), text.end())));
}

GifWriter& GifWriter::Descriptor(int left, int top, int width, int height, bool interlaced, int localTableBits) {
  Raw({kGifImageIntroducer});
  U16(left);
  U16(top);
  U16(width);
  U16(height);
  int packed = interlaced ? kGifInterlaceFlag : 0;
  if (localTableBits >= 0) packed |= kGifColourTableFlag | (localTableBits & kGifTableSizeMask);
  Raw({packed});
  if (localTableBits >= 0) {
    // Distinct from the global table, so a decoder that used it would show.
    for (int i = 0; i < (1 << (localTableBits + 1)); i++) Raw({0xA0, i & 0xFF, 0x0A});
  }
  return *this;
}

GifWriter& GifWriter::ImageData(int minCodeSize, const std::vector<LzwCode>& codes, const std::vector<int>& sizes,
                                bool terminate) {
  Raw({minCodeSize});
  return Raw(SubBlocks(PackCodes(codes), sizes, terminate));
}

GifWriter& GifWriter::EncodedData(int minCodeSize, const std::vector<uint8_t>& indices, int subBlockSize) {
  AppendLzwImageData(indices.data(), indices.size(), minCodeSize, &bytes_, subBlockSize);
  return *this;
}

GifWriter& GifWriter::Image(int left, int top, const IndexImage& image, bool interlaced, int minCodeSize,
                            int subBlockSize) {
  Descriptor(left, top, image.width, image.height, interlaced);
  return EncodedData(minCodeSize, StreamOrder(image, interlaced), subBlockSize);
}

GifWriter& GifWriter::Trailer() { return Raw({kGifTrailer}); }

GifWriter& GifWriter::Raw(std::initializer_list<int> bytes) {
  for (int b : bytes) bytes_.push_back(static_cast<uint8_t>(b));
  return *this;
}

GifWriter& GifWriter::Raw(const std::vector<uint8_t>& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}
