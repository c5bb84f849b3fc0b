// Plays every GIF in a list the way the player does (parse, a cleared canvas of
// the logical screen, each frame with pixels composited onto it) and after each
// frame hands every pixel of the frame and of the canvas to the kernel, which is
// where memcheck checks that bytes are defined. Run under valgrind, it reports
// any pixel the decoder or the canvas left undefined, and names the file.
// usage: play_frames LIST   (file names, one a line, relative to the list's folder)
#include <fcntl.h>
#include <unistd.h>
#include <valgrind/memcheck.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>

#include "byte_reader.h"
#include "frame_step.h"
#include "gif_parser.h"
#include "indexed_bitmap.h"
#include "whole_file.h"

namespace {

struct Totals {
  int32_t files = 0;
  int64_t frames = 0;
  int64_t bytes = 0;
};

// Writes the width pixels of every row (not the padding, which nothing shows).
void Show(int sink, const IndexedBitmap& bitmap, Totals* totals) {
  if (bitmap.pixels == nullptr) return;
  for (int32_t r = 0; r < bitmap.height; r++) {
    if (write(sink, BitmapRowAddress(&bitmap, 0, r), static_cast<size_t>(bitmap.width)) != bitmap.width) {
      std::perror("play_frames: /dev/null");
      std::exit(1);
    }
    totals->bytes += bitmap.width;
  }
}

void Play(int sink, const std::string& bytes, Totals* totals) {
  // A block of exactly the file's size, as the player reads its section into.
  SectionBlock block(static_cast<int32_t>(bytes.size()));
  if (block.reader.data == nullptr) return;
  CopyBytes(const_cast<uint8_t*>(block.reader.data), bytes.data(), block.reader.size);
  GifAnimation animation = {};
  ParseGif(&animation, &block.reader);

  IndexedBitmap canvas;
  CreateIndexedBitmap(&canvas, animation.width, animation.height);
  ClearIndexedBitmap(&canvas);
  int32_t shown = -1;
  for (int32_t i = 0; i < animation.frameCount; i++) {
    const IndexedBitmap* bitmap = StepFrame(animation, &canvas, &shown).frame;
    if (bitmap == nullptr) continue;
    Show(sink, *bitmap, totals);
    Show(sink, canvas, totals);
    totals->frames++;
  }
  ReleaseIndexedBitmap(&canvas);
  FreeGifAnimation(&animation);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: play_frames LIST\n");
    return 2;
  }
  const std::string list = argv[1];
  const std::string dir = list.substr(0, list.find_last_of('/') + 1);
  bool listed = false;
  std::istringstream names(ReadWholeFile<std::string>(list, &listed));
  if (!listed) {
    std::fprintf(stderr, "play_frames: cannot read %s\n", list.c_str());
    return 1;
  }
  const int sink = open("/dev/null", O_WRONLY);
  if (sink < 0) {
    std::perror("play_frames: /dev/null");
    return 1;
  }

  Totals totals;
  unsigned errors = VALGRIND_COUNT_ERRORS;
  std::string name;
  while (std::getline(names, name)) {
    if (name.empty()) continue;
    bool exists = false;
    const std::string bytes = ReadWholeFile<std::string>(dir + name, &exists);
    if (!exists || bytes.empty()) {
      std::fprintf(stderr, "play_frames: cannot read %s\n", (dir + name).c_str());
      return 1;
    }
    Play(sink, bytes, &totals);
    totals.files++;
    const unsigned now = VALGRIND_COUNT_ERRORS;
    if (now != errors) std::fprintf(stderr, "play_frames: %s: %u memcheck error(s)\n", name.c_str(), now - errors);
    errors = now;
  }
  close(sink);
  std::printf("play_frames: %d files, %lld frames, %lld pixel bytes shown\n", totals.files,
              static_cast<long long>(totals.frames), static_cast<long long>(totals.bytes));
  // An empty set, or one the parser shows nothing of, would pass without testing.
  if (totals.files == 0 || totals.frames == 0) {
    std::fprintf(stderr, "play_frames: nothing was shown\n");
    return 1;
  }
  return 0;
}
