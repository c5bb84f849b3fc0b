// gif-bench [--fresh-pages | --check] FILE...: decoding speed of the player's GIF parser against giflib on
// the same files, in the same process. Both decode from memory (giflib through a
// read callback), so file I/O is not counted. Speed is frame pixels per second:
// the sum of width x height over the decoded frames, 10^6 pixels to the MB, per
// second of the thread's CPU time; batches of the two decoders alternate and
// each decoder's time is its median over the batches.
//
// Prints "FILE this_MBps giflib_MBps ratio" per file, then a TOTAL line (all
// pixels over the sum of the median times). Details of each measurement, and
// any disagreement between the two decoders' pixels, go to stderr; the exit
// status is 1 when the decoders disagree or a file cannot be decoded.
//
// Both decoders allocate a block per frame. glibc serves blocks of 128 KiB and
// more as fresh mappings and unmaps them when freed, so every run would fault
// each frame in page by page. On a virtual machine that was half of the time,
// the same for both decoders and not what is being compared. The allocator is told to
// keep such blocks for reuse, unless --fresh-pages is given.
//
// --check only compares the two decoders' pixels, frame by frame, and times
// nothing: giflib serves as the reference decoder for the tests.
#include <gif_lib.h>
#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "byte_reader.h"
#include "gif_parser.h"
#include "indexed_bitmap.h"
#include "whole_file.h"

namespace {

using Bytes = std::vector<uint8_t>;

// One measurement takes at least this long and this many batches; a batch is
// enough decodes to last a couple of milliseconds, so the clock's resolution
// and call overhead vanish even for icons.
const double kMinMeasureSeconds = 0.5;
const int kMinBatches = 7;
const int kMaxBatches = 1000;
const double kMinBatchSeconds = 0.002;

// Frame pixels decoded by the player's parser; the animation is freed.
int64_t DecodeWithPlayer(const Bytes& file) {
  ByteReader reader{file.data(), static_cast<int32_t>(file.size()), 0};
  GifAnimation animation = {};
  ParseGif(&animation, &reader);
  int64_t pixels = 0;
  for (int32_t i = 0; i < animation.frameCount; i++) {
    const IndexedBitmap& bitmap = animation.frames[i]->bitmap;
    if (bitmap.pixels != nullptr) pixels += static_cast<int64_t>(bitmap.width) * bitmap.height;
  }
  FreeGifAnimation(&animation);
  return pixels;
}

struct MemorySource {
  const Bytes* file;
  size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int count) {
  MemorySource* source = static_cast<MemorySource*>(gif->UserData);
  const size_t left = source->file->size() - source->pos;
  const size_t n = count < 0 ? 0 : std::min(static_cast<size_t>(count), left);
  std::memcpy(buffer, source->file->data() + source->pos, n);
  source->pos += n;
  return static_cast<int>(n);
}

// Opens the file from memory and slurps it; null when giflib gives up.
GifFileType* SlurpWithGiflib(const Bytes& file, MemorySource* source) {
  *source = MemorySource{&file, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(source, ReadFromMemory, &error);
  if (gif == nullptr) return nullptr;
  if (DGifSlurp(gif) != GIF_OK) {
    DGifCloseFile(gif, &error);
    return nullptr;
  }
  return gif;
}

// Frame pixels decoded by giflib, or -1 when it fails.
int64_t DecodeWithGiflib(const Bytes& file) {
  MemorySource source;
  GifFileType* gif = SlurpWithGiflib(file, &source);
  if (gif == nullptr) return -1;
  int64_t pixels = 0;
  for (int i = 0; i < gif->ImageCount; i++) {
    const GifImageDesc& desc = gif->SavedImages[i].ImageDesc;
    pixels += static_cast<int64_t>(desc.Width) * desc.Height;
  }
  int error = 0;
  DGifCloseFile(gif, &error);
  return pixels;
}

// Compares every frame's palette indices; giflib's rows are top-down in display
// order, the player's bottom-up. Reports the first difference.
bool DecodersAgree(const char* path, const Bytes& file) {
  MemorySource source;
  GifFileType* gif = SlurpWithGiflib(file, &source);
  if (gif == nullptr) {
    std::fprintf(stderr, "%s: giflib cannot decode the file\n", path);
    return false;
  }
  ByteReader reader{file.data(), static_cast<int32_t>(file.size()), 0};
  GifAnimation animation = {};
  ParseGif(&animation, &reader);

  bool agree = animation.frameCount == gif->ImageCount;
  if (!agree) {
    std::fprintf(stderr, "%s: %d frames here, %d in giflib\n", path, animation.frameCount, gif->ImageCount);
  }
  for (int i = 0; agree && i < gif->ImageCount; i++) {
    const SavedImage& image = gif->SavedImages[i];
    const IndexedBitmap& bitmap = animation.frames[i]->bitmap;
    const int width = image.ImageDesc.Width, height = image.ImageDesc.Height;
    if (bitmap.pixels == nullptr || bitmap.width != width || bitmap.height != height) {
      std::fprintf(stderr, "%s: frame %d is %dx%d in giflib, not here\n", path, i, width, height);
      agree = false;
      break;
    }
    for (int y = 0; y < height; y++) {
      const uint8_t* ours = BitmapRowAddress(&bitmap, 0, height - 1 - y);
      const uint8_t* theirs = image.RasterBits + static_cast<size_t>(y) * width;
      if (std::memcmp(ours, theirs, width) != 0) {
        std::fprintf(stderr, "%s: frame %d differs from giflib in row %d\n", path, i, y);
        agree = false;
        break;
      }
    }
  }
  FreeGifAnimation(&animation);
  int error = 0;
  DGifCloseFile(gif, &error);
  return agree;
}

// The calling thread's CPU time: the machine may be shared, and time spent
// waiting for a core says nothing about either decoder.
double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec + now.tv_nsec * 1e-9;
}

using DecodeFunction = int64_t (*)(const Bytes&);

struct Measurement {
  DecodeFunction decode;
  int64_t pixels;  // frame pixels of one decode
  int batchSize;
  std::vector<double> times;  // seconds per decode, one entry per batch
  double seconds;  // their median
};

// Doubles the batch size until a batch lasts kMinBatchSeconds; the first decode
// is also the warm-up and gives the pixel count.
void Calibrate(Measurement* m, const Bytes& file) {
  m->pixels = m->decode(file);
  for (m->batchSize = 1; m->batchSize < (1 << 20); m->batchSize *= 2) {
    const double start = ThreadSeconds();
    for (int i = 0; i < m->batchSize; i++) m->decode(file);
    if (ThreadSeconds() - start >= kMinBatchSeconds) break;
  }
}

void RunBatch(Measurement* m, const Bytes& file) {
  const double start = ThreadSeconds();
  for (int i = 0; i < m->batchSize; i++) m->decode(file);
  m->times.push_back((ThreadSeconds() - start) / m->batchSize);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Sum(const std::vector<double>& values, int batchSize) {
  double total = 0;
  for (double t : values) total += t * batchSize;
  return total;
}

// Alternates batches of the two decoders, so that both see the same state of
// the machine (frequency, caches, neighbours), until each has run kMinBatches
// batches and kMinMeasureSeconds.
void MeasurePair(Measurement* a, Measurement* b, const Bytes& file) {
  Calibrate(a, file);
  Calibrate(b, file);
  auto enough = [](const Measurement& m) {
    const int n = static_cast<int>(m.times.size());
    return n >= kMaxBatches || (n >= kMinBatches && Sum(m.times, m.batchSize) >= kMinMeasureSeconds);
  };
  while (!enough(*a) || !enough(*b)) {
    RunBatch(a, file);
    RunBatch(b, file);
  }
  a->seconds = Median(a->times);
  b->seconds = Median(b->times);
}

double MegapixelsPerSecond(int64_t pixels, double seconds) { return seconds > 0 ? pixels / seconds / 1e6 : 0; }

}  // namespace

int main(int argc, char** argv) {
  int first = 1;
  const char* option = argc > 1 && argv[1][0] == '-' ? argv[1] : "";
  const bool freshPages = std::strcmp(option, "--fresh-pages") == 0;
  const bool checkOnly = std::strcmp(option, "--check") == 0;
  if (freshPages || checkOnly) first++;
  if (first >= argc || (*option != '\0' && !freshPages && !checkOnly)) {
    std::fprintf(stderr, "usage: gif-bench [--fresh-pages | --check] FILE...\n");
    return 2;
  }
  if (!freshPages) {
    // The largest threshold glibc takes on 64-bit systems: 32 MiB.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
  }
  int status = 0;
  int64_t totalPixels[2] = {0, 0};
  double totalSeconds[2] = {0, 0};
  for (int a = first; a < argc; a++) {
    const char* path = argv[a];
    bool read = false;
    const Bytes file = ReadWholeFile(path, &read);
    if (!read || file.size() > 0x7FFFFFFF) {
      std::fprintf(stderr, "%s: cannot read the file\n", path);
      status = 1;
      continue;
    }
    if (!DecodersAgree(path, file)) {
      status = 1;
    } else if (checkOnly) {
      std::printf("%s agrees with giflib\n", path);
    }
    if (checkOnly) continue;
    // Nothing to compare with; DecodersAgree has said why.
    if (DecodeWithGiflib(file) < 0) continue;
    Measurement ours{DecodeWithPlayer, 0, 1, {}, 0};
    Measurement theirs{DecodeWithGiflib, 0, 1, {}, 0};
    MeasurePair(&ours, &theirs, file);
    std::fprintf(stderr, "%s: %lld pixels here, %lld in giflib; %zu x %d and %zu x %d decodes\n", path,
                 static_cast<long long>(ours.pixels), static_cast<long long>(theirs.pixels), ours.times.size(),
                 ours.batchSize, theirs.times.size(), theirs.batchSize);
    const double oursRate = MegapixelsPerSecond(ours.pixels, ours.seconds);
    const double theirRate = MegapixelsPerSecond(theirs.pixels, theirs.seconds);
    std::printf("%s %.1f %.1f %.2f\n", path, oursRate, theirRate, theirRate > 0 ? oursRate / theirRate : 0);
    std::fflush(stdout);
    totalPixels[0] += ours.pixels;
    totalSeconds[0] += ours.seconds;
    totalPixels[1] += theirs.pixels;
    totalSeconds[1] += theirs.seconds;
  }
  if (checkOnly) return status;
  const double oursRate = MegapixelsPerSecond(totalPixels[0], totalSeconds[0]);
  const double theirRate = MegapixelsPerSecond(totalPixels[1], totalSeconds[1]);
  std::printf("TOTAL %.1f %.1f %.2f\n", oursRate, theirRate, theirRate > 0 ? oursRate / theirRate : 0);
  return status;
}
