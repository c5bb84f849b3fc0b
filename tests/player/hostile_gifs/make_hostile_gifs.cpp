// Writes the hostile GIFs that play_frames runs over under memcheck: every valid
// GIF in the given folders broken the ways real files break (cut short inside
// each kind of block, bytes flipped in the image data, image data ended early),
// and streams written malformed code by code. Files are named after their source
// and their damage; a damaged copy that equals one already written is dropped.
// names.txt lists the files, in the order they were written.
// usage: make_hostile_gifs OUT_DIR SOURCE_DIR...
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "gif_block_walker.h"
#include "gif_blocks.h"
#include "support/gif_writer.h"
#include "whole_file.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// Where the blocks of one image lie in the stream.
struct ImageMarks {
  size_t descriptor = 0;       // the image introducer
  size_t data = 0;             // the minimum code size byte
  std::vector<size_t> blocks;  // each data sub-block's length byte
  size_t end = 0;              // after the zero-length terminator, or the end of the file
  bool interlaced = false;
};

struct StreamMarks {
  size_t screenEnd = 0;  // after the logical screen descriptor
  size_t tableEnd = 0;   // after the global colour table (screenEnd without one)
  std::vector<ImageMarks> images;
};

StreamMarks FindMarks(const Bytes& gif) {
  StreamMarks marks;
  GifBlockWalker walker(gif.data(), gif.size());
  GifScreen screen;
  if (!walker.ReadScreen(&screen)) {
    marks.screenEnd = marks.tableEnd = gif.size();
    return marks;
  }
  marks.screenEnd = kGifSignatureSize + kGifScreenDescriptorSize;
  marks.tableEnd = walker.offset();
  GifBlock block;
  for (;;) {
    const GifBlockKind kind = walker.Next(&block);
    if (kind == GifBlockKind::kGraphicControl || kind == GifBlockKind::kExtension) continue;
    if (kind != GifBlockKind::kImage || !block.image.whole) break;
    if (block.image.localTable && block.image.localColours == nullptr) break;
    ImageMarks image;
    image.descriptor = block.offset;
    image.interlaced = block.image.interlaced;
    image.data = walker.offset();
    GifCursor* cursor = walker.cursor();
    cursor->Byte();
    for (;;) {
      image.blocks.push_back(cursor->Offset());
      const int length = cursor->Byte();
      if (length <= 0 || !cursor->Skip(static_cast<size_t>(length))) break;
    }
    image.blocks.pop_back();  // the terminator, or where the data broke off
    image.end = cursor->Offset();
    marks.images.push_back(image);
  }
  return marks;
}

// The payload bytes of an image's sub-blocks (not their length bytes), in order.
std::vector<size_t> PayloadOffsets(const Bytes& gif, const ImageMarks& image) {
  std::vector<size_t> offsets;
  for (size_t block : image.blocks) {
    const size_t length = gif[block];
    for (size_t i = 1; i <= length && block + i < gif.size(); i++) offsets.push_back(block + i);
  }
  return offsets;
}

class HostileSet {
 public:
  explicit HostileSet(fs::path dir) : dir_(std::move(dir)) {}

  void Add(const std::string& name, const Bytes& bytes) {
    if (!written_.insert(bytes).second) return;
    const std::string file = name + ".gif";
    if (!WriteWholeFile((dir_ / file).string(), bytes)) {
      std::fprintf(stderr, "make_hostile_gifs: cannot write %s\n", (dir_ / file).c_str());
      std::exit(1);
    }
    names_.push_back(file);
  }

  void Cut(const std::string& name, const Bytes& gif, size_t length) {
    if (length > 0 && length < gif.size()) Add(name, Bytes(gif.begin(), gif.begin() + static_cast<long>(length)));
  }

  bool WriteList() const {
    std::string list;
    for (const std::string& name : names_) list += name + '\n';
    return WriteWholeFile((dir_ / "names.txt").string(), list);
  }

  size_t size() const { return names_.size(); }

 private:
  fs::path dir_;
  std::set<Bytes> written_;
  std::vector<std::string> names_;
};

// A valid file, damaged in each way a transfer or a careless encoder damages it.
void Damage(HostileSet* set, const std::string& stem, const Bytes& gif) {
  const StreamMarks marks = FindMarks(gif);
  set->Cut(stem + "-cut_in_colour_table", gif, (marks.screenEnd + marks.tableEnd) / 2);
  if (marks.images.empty()) return;

  const ImageMarks& first = marks.images.front();
  const size_t dataLength = first.end - first.data;
  set->Cut(stem + "-cut_in_descriptor", gif, first.descriptor + 6);
  set->Cut(stem + "-cut_after_code_size", gif, first.data + 1);
  set->Cut(stem + "-cut_at_third", gif, first.data + dataLength / 3);
  set->Cut(stem + "-cut_at_two_thirds", gif, first.data + dataLength * 2 / 3);
  if (marks.images.size() > 1) {
    const ImageMarks& last = marks.images.back();
    set->Cut(stem + "-cut_in_last_frame", gif, last.data + (last.end - last.data) / 2);
  }

  // Flipped bytes turn codes into ones the table does not hold yet, clear and end
  // codes into data and back.
  const std::vector<size_t> payload = PayloadOffsets(gif, first);
  if (!payload.empty()) {
    Bytes one = gif;
    one[payload[payload.size() / 5]] ^= 0xFF;
    set->Add(stem + "-flipped_byte", one);
    Bytes many = gif;
    uint32_t state = static_cast<uint32_t>(gif.size());
    for (int i = 0; i < 6; i++) {
      state = state * 1103515245u + 12345u;
      many[payload[(state >> 8) % payload.size()]] ^= static_cast<uint8_t>(1u << (state >> 28 & 7));
    }
    set->Add(stem + "-flipped_bits", many);
  }

  // The image data stops at half its payload with a zero-length sub-block, and the
  // rest of the stream follows: the next frames are read whole.
  if (!payload.empty()) {
    const size_t stop = payload[payload.size() / 2];
    Bytes early(gif.begin(), gif.begin() + static_cast<long>(first.data + 1));
    size_t taken = 0;
    for (size_t block : first.blocks) {
      const size_t length = gif[block];
      const size_t keep = std::min(length, stop > block ? stop - block - 1 : 0);
      if (keep == 0) break;
      early.push_back(static_cast<uint8_t>(keep));
      early.insert(early.end(), gif.begin() + static_cast<long>(block + 1),
                   gif.begin() + static_cast<long>(block + 1 + keep));
      taken += keep;
      if (keep < length) break;
    }
    early.push_back(0);
    early.insert(early.end(), gif.begin() + static_cast<long>(first.end), gif.end());
    if (taken > 0) set->Add(stem + "-data_ended_early", early);
  }

  // A zero length byte in place of a sub-block's length: what follows is read as
  // blocks of the stream.
  if (first.blocks.size() >= 3) {
    Bytes zeroed = gif;
    zeroed[first.blocks[first.blocks.size() / 2]] = 0;
    set->Add(stem + "-sub_block_zeroed", zeroed);
  }
}

std::vector<LzwCode> WithoutEndCode(std::vector<LzwCode> codes) {
  codes.pop_back();
  return codes;
}

std::vector<LzwCode> FirstCodes(const std::vector<LzwCode>& codes, size_t count) {
  return std::vector<LzwCode>(codes.begin(), codes.begin() + static_cast<long>(std::min(count, codes.size())));
}

// A screen with a 256-colour table, ready for frames.
GifWriter Screen(int width, int height) {
  GifWriter gif;
  gif.Header().Screen(width, height, 7).ColourTable(7);
  return gif;
}

// Streams no encoder writes, each a shape the decoder and parser must survive.
void Malformed(HostileSet* set) {
  const IndexImage picture = PatternImage(37, 23, 256, 3);
  const std::vector<uint8_t> indices = StreamOrder(picture, false);
  const std::vector<LzwCode> codes = LzwCodeList(indices, 8);

  // Minimum code sizes the decoder refuses, with data that would decode at them.
  for (int m : {0, 1, 10, 11, 12}) {
    const int width = std::min(m + 1, 12);
    std::vector<LzwCode> data{{1 << std::min(m, 11), width}};
    for (int i = 0; i < 40; i++) data.push_back({i % 3, width});
    set->Add("code_size_" + std::to_string(m),
             Screen(37, 23).Descriptor(0, 0, 37, 23, false).ImageData(m, data).Trailer().bytes());
  }
  // Minimum code size 2 on a 256-colour picture: roots above 3 are codes the
  // table does not hold.
  set->Add("code_size_2_wide_indices",
           Screen(37, 23).Descriptor(0, 0, 37, 23, false).ImageData(2, LzwCodeList(indices, 8)).Trailer().bytes());

  // Codes above the next free code: at once after the clear, and later on.
  set->Add("code_above_next_free_first",
           Screen(37, 23).Descriptor(0, 0, 37, 23, false)
               .ImageData(8, {{256, 9}, {300, 9}, {1, 9}, {2, 9}, {500, 9}, {257, 9}}).Trailer().bytes());
  {
    std::vector<LzwCode> data = FirstCodes(codes, codes.size() / 2);
    for (int c : {511, 400, 290, 511}) data.push_back({c, data.back().width});
    data.push_back({257, data.back().width});
    set->Add("code_above_next_free_later",
             Screen(37, 23).Descriptor(0, 0, 37, 23, false).ImageData(8, data).Trailer().bytes());
  }
  // No clear code first, no end code, nothing but clear codes, an end code at once.
  set->Add("no_initial_clear", Screen(37, 23).Descriptor(0, 0, 37, 23, false)
                                   .ImageData(8, std::vector<LzwCode>(codes.begin() + 1, codes.end()))
                                   .Trailer().bytes());
  set->Add("no_end_code",
           Screen(37, 23).Descriptor(0, 0, 37, 23, false).ImageData(8, WithoutEndCode(codes)).Trailer().bytes());
  set->Add("no_end_code_short",
           Screen(37, 23).Descriptor(0, 0, 37, 23, false).ImageData(8, FirstCodes(codes, 50)).Trailer().bytes());
  set->Add("no_end_code_no_terminator", Screen(37, 23).Descriptor(0, 0, 37, 23, false)
                                            .ImageData(8, FirstCodes(codes, 80), {255}, false).bytes());
  set->Add("only_clear_codes", Screen(37, 23).Descriptor(0, 0, 37, 23, false)
                                   .ImageData(8, {{256, 9}, {256, 9}, {256, 9}, {257, 9}}).Trailer().bytes());
  set->Add("end_code_at_once",
           Screen(37, 23).Descriptor(0, 0, 37, 23, false).ImageData(8, {{256, 9}, {257, 9}}).Trailer().bytes());
  set->Add("end_code_mid_row", Screen(37, 23).Descriptor(0, 0, 37, 23, false)
                                   .ImageData(8, {{256, 9}, {7, 9}, {8, 9}, {258, 9}, {257, 9}}).Trailer().bytes());
  set->Add("no_image_data", Screen(37, 23).Descriptor(0, 0, 37, 23, false).Raw({8, 0}).Trailer().bytes());

  // A zero-length sub-block in the middle of the data, the rest following: as a
  // second frame, and as stray bytes.
  {
    const Bytes packed = PackCodes(codes);
    const Bytes head(packed.begin(), packed.begin() + static_cast<long>(packed.size() / 2));
    const Bytes tail(packed.begin() + static_cast<long>(packed.size() / 2), packed.end());
    set->Add("zero_block_mid_image", Screen(37, 23).Descriptor(0, 0, 37, 23, false)
                                         .Raw({8}).Raw(SubBlocks(head, {20})).Raw(SubBlocks(tail, {20}))
                                         .Trailer().bytes());
    set->Add("zero_block_then_frame", Screen(37, 23).Descriptor(0, 0, 37, 23, false)
                                          .Raw({8}).Raw(SubBlocks(head, {20}))
                                          .Image(3, 4, PatternImage(10, 9, 256, 5)).Trailer().bytes());
    // A sub-block longer than what is left of the file.
    Bytes overlong = Screen(37, 23).Descriptor(0, 0, 37, 23, false).Raw({8, 200}).Raw(head).bytes();
    set->Add("sub_block_past_the_end", overlong);
  }

  // Frames against the logical screen: wider, taller, partly and wholly outside,
  // without width or height, and a first frame smaller than the screen (the
  // canvas around it is never covered).
  const IndexImage wide = PatternImage(60, 8, 256, 7);
  const IndexImage tall = PatternImage(9, 50, 256, 8);
  set->Add("frame_wider_than_screen", Screen(20, 10).Image(0, 0, wide).Trailer().bytes());
  set->Add("frame_taller_than_screen", Screen(20, 10).Image(4, 0, tall).Trailer().bytes());
  set->Add("frame_wider_cut_short", Screen(20, 10).Descriptor(0, 1, 60, 8, false)
                                        .ImageData(8, FirstCodes(LzwCodeList(wide.pixels, 8), 70)).Trailer().bytes());
  set->Add("frame_off_screen", Screen(20, 10).Image(15, 7, PatternImage(12, 9, 256, 9))
                                   .Image(300, 2, PatternImage(5, 5, 256, 10)).Image(65530, 65530, picture)
                                   .Trailer().bytes());
  set->Add("frame_without_width", Screen(20, 10).Descriptor(2, 2, 0, 5, false).ImageData(8, {{256, 9}, {257, 9}})
                                      .Descriptor(2, 2, 5, 0, false).ImageData(8, {{256, 9}, {257, 9}})
                                      .Image(1, 1, PatternImage(4, 4, 256, 11)).Trailer().bytes());
  set->Add("first_frame_smaller", Screen(200, 150).Image(50, 40, PatternImage(30, 20, 256, 12))
                                      .Image(0, 0, PatternImage(200, 150, 256, 13)).Trailer().bytes());
  set->Add("first_frame_smaller_cut_short",
           Screen(120, 90).Descriptor(10, 10, 40, 30, false)
               .ImageData(8, FirstCodes(LzwCodeList(PatternImage(40, 30, 256, 14).pixels, 8), 200)).Trailer().bytes());
  set->Add("screen_without_size", GifWriter().Header().Screen(0, 0, 7).ColourTable(7).Image(0, 0, picture)
                                      .Trailer().bytes());
  set->Add("screen_without_table",
           GifWriter().Header().Screen(37, 23, -1).Image(0, 0, PatternImage(20, 10, 4, 15), false, 2).Trailer()
               .bytes());

  // Interlaced images cut short after part of their codes, at the heights where
  // the passes end earliest or not at all.
  for (int height : {1, 2, 3, 4, 5, 8, 9, 16, 17, 33, 100}) {
    const IndexImage image = PatternImage(23, height, 256, 20 + height);
    const std::vector<LzwCode> interlaced = LzwCodeList(StreamOrder(image, true), 8);
    const size_t keep = std::max<size_t>(2, interlaced.size() * 2 / 5);
    set->Add("interlaced_" + std::to_string(height) + "_rows_cut_short",
             Screen(23, height + 3).Descriptor(0, 2, 23, height, true)
                 .ImageData(8, FirstCodes(interlaced, keep)).Trailer().bytes());
  }
  // The same, ended by an end code in the middle of a pass.
  {
    const IndexImage image = PatternImage(31, 40, 256, 70);
    std::vector<LzwCode> data = FirstCodes(LzwCodeList(StreamOrder(image, true), 8), 300);
    data.push_back({257, data.back().width});
    set->Add("interlaced_end_code_mid_pass",
             Screen(31, 40).Descriptor(0, 0, 31, 40, true).ImageData(8, data).Trailer().bytes());
  }

  // A full string table without a clear code, cut short; and codes that keep
  // growing to 12 bits from a minimum of 2, cut short.
  {
    const IndexImage noise = PatternImage(160, 120, 256, 99);
    set->Add("full_table_no_clear_cut_short",
             Screen(160, 120).Descriptor(0, 0, 160, 120, false)
                 .ImageData(8, WithoutEndCode(LzwCodeList(noise.pixels, 8))).Trailer().bytes());
    const IndexImage four = PatternImage(150, 100, 4, 98);
    const std::vector<LzwCode> growing = LzwCodeList(four.pixels, 2);
    set->Add("twelve_bit_codes_cut_short", GifWriter().Header().Screen(150, 100, 1).ColourTable(1)
                                               .Descriptor(0, 0, 150, 100, false)
                                               .ImageData(2, FirstCodes(growing, growing.size() * 3 / 4))
                                               .Trailer().bytes());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_hostile_gifs OUT_DIR SOURCE_DIR...\n");
    return 2;
  }
  const fs::path out = argv[1];
  fs::remove_all(out);
  fs::create_directories(out);
  HostileSet set(out);

  // Sources in name order, each name once (the first folder wins), for the same
  // set on every machine.
  std::set<std::string> seen;
  for (int i = 2; i < argc; i++) {
    std::vector<fs::path> gifs;
    for (const fs::directory_entry& entry : fs::directory_iterator(argv[i])) {
      if (entry.path().extension() == ".gif") gifs.push_back(entry.path());
    }
    std::sort(gifs.begin(), gifs.end());
    for (const fs::path& gif : gifs) {
      const std::string stem = gif.stem().string();
      if (!seen.insert(stem).second) continue;
      Damage(&set, stem, ReadWholeFile(gif.string()));
    }
  }
  Malformed(&set);
  if (!set.WriteList()) {
    std::fprintf(stderr, "make_hostile_gifs: cannot write %s\n", (out / "names.txt").c_str());
    return 1;
  }
  std::printf("make_hostile_gifs: %zu files in %s\n", set.size(), out.c_str());
  return 0;
}
