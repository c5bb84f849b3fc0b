#include "greeting_rules.h"

#include <cstdio>
#include <cstring>

#include "gif_inspection.h"
#include "lzw_decoder.h"
#include "native_path.h"
#include "payload_locator.h"
#include "player_limits.h"
#include "source_gif.h"

// The frame record's size is the 32-bit player's; the Windows build of the
// packer is that player's build.
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(GifFrame) + sizeof(GifFrame*) == kPlayerFrameRecordBytes, "the player's frame record changed");
#endif

namespace {

std::string Seconds(int64_t hundredths) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", static_cast<double>(hundredths) / 100);
  return text;
}

std::string Size(int64_t width, int64_t height) { return std::to_string(width) + " x " + std::to_string(height); }

const std::string kBlockLimit = "; the player can count on blocks of up to " + Megabytes(kPlayerBlockLimit);

// A part the player reads whole into one block, when it is larger than that.
void CheckReadWhole(const std::string& path, const char* what, int64_t bytes, Verdict* verdict) {
  if (bytes <= kPlayerBlockLimit) return;
  verdict->Add(VerdictCode::kReadAsOneBlockTooLarge, path,
               std::string("too large for the player, which reads the ") + what + " as one block: " +
                   Megabytes(bytes) + kBlockLimit);
}

// The memory the player must hold at once, and the largest single block in it.
void CheckMemory(const std::string& path, const GifInspection& gif, int64_t gifBytes, bool flattened,
                 Verdict* verdict) {
  const int64_t canvas = PlayerBitmapBytes(gif.width, gif.height);
  const int64_t frames = gif.framePixelBytes + gif.frames * kPlayerFrameRecordBytes;
  const int64_t total = gifBytes + frames + canvas;
  const std::string limit = "; the limit is " + Megabytes(kPlayerMemoryLimit);
  if (total > kPlayerMemoryLimit) {
    // --flatten clips frames to the screen and keeps only what each changes;
    // it cannot shrink the canvas, and takes screens of limited size.
    const bool framesToBlame = static_cast<int64_t>(gif.width) * gif.height <= kMaxScreenPixels &&
                               canvas + gifBytes < kPlayerMemoryLimit;
    verdict->Add(framesToBlame ? VerdictCode::kFramesTooMuchMemory : VerdictCode::kTooMuchMemory, path,
                 "too large for the player: it would need " + Megabytes(total) + " for the canvas of " +
                     Size(gif.width, gif.height) + ", " + std::to_string(gif.frames) +
                     " frame(s) and the animation itself" + limit,
                 flattened, gif.frames);
    return;
  }
  if (canvas > kPlayerBlockLimit) {
    verdict->Add(VerdictCode::kCanvasBlockTooLarge, path,
                 "too large for the player: its canvas of " + Size(gif.width, gif.height) + " needs one block of " +
                     Megabytes(canvas) + kBlockLimit);
  }
  if (gif.largestFrame.value > kPlayerBlockLimit) {
    verdict->Add(VerdictCode::kFrameBlockTooLarge, path,
                 "too large for the player: frame " + std::to_string(gif.largestFrame.first) + " needs one block of " +
                     Megabytes(gif.largestFrame.value) + kBlockLimit,
                 flattened);
  }
  CheckReadWhole(path, "animation", gifBytes, verdict);
}

// Frames without pixels, which the player stops on for good.
void CheckFramesPlay(const std::string& path, const GifAnimation& animation, bool flattened, Verdict* verdict) {
  int32_t withPixels = 0, without = 0, first = -1;
  for (int32_t i = 0; i < animation.frameCount; i++) {
    if (animation.frames[i]->bitmap.pixels != nullptr) {
      withPixels++;
    } else if (without++ == 0) {
      first = i;
    }
  }
  if (withPixels == 0) {
    // Frames without pixels show a browser the blank screen, which --flatten
    // writes as a frame; a stream of no frames at all leaves it nothing to show.
    verdict->Add(without == 0 ? VerdictCode::kNoFrame : VerdictCode::kNoFrameWithPixels, path,
                 "no frame with pixels that the player could show", flattened);
    return;
  }
  if (without == 0) return;
  const GifFrame& frame = *animation.frames[first];
  const bool last = first == animation.frameCount - 1;
  verdict->Add(VerdictCode::kFramesWithoutPixels, path,
               std::to_string(without) + " frame(s) have no pixels (frame " + std::to_string(first) + ": " +
                   Size(frame.width, frame.height) + "); the player would stop on frame " + std::to_string(first) +
                   " for good" + (last ? " and never loop" : ""),
               flattened, without);
}

}  // namespace

void CheckPartSizes(const PartSize& player, const PartSize& animation, const PartSize* song, bool flatten,
                    const std::string& output, Verdict* verdict) {
  if (flatten && animation.bytes > kPlayerMemoryLimit) {
    verdict->Add(VerdictCode::kTooLargeToFlatten, animation.path,
                 "too large to flatten: " + Megabytes(animation.bytes) + "; the limit is " +
                     Megabytes(kPlayerMemoryLimit));
  } else if (!flatten) {
    CheckReadWhole(animation.path, "animation", animation.bytes, verdict);
  }
  if (song) CheckReadWhole(song->path, "song", song->bytes, verdict);
  if (flatten || player.bytes < 0 || animation.bytes < 0 || (song && song->bytes < 0)) return;
  const int64_t total = player.bytes + kGifSectionHeaderBytes + animation.bytes +
                        (song ? kMidiSectionHeaderBytes + song->bytes : 0);
  if (total > kGreetingSizeLimit) {
    verdict->Add(VerdictCode::kGreetingTooLarge, output,
                 "the greeting would be " + Megabytes(total) + "; the player cannot scan a file of 2 GiB or more");
  }
}

void CheckAnimation(const std::string& path, const std::vector<uint8_t>& bytes, bool flattened, GifAnimation* animation,
                    Verdict* verdict) {
  GifInspection gif = InspectGif(bytes);
  if (!gif.signatureOk) {
    verdict->Add(VerdictCode::kNotGif, path, "not a GIF file (it does not start with GIF87a or GIF89a)");
    return;
  }
  if (!gif.globalTable) {
    verdict->Add(VerdictCode::kNoGlobalTable, path, "no global colour table; the player shows every frame through it",
                 flattened);
  }
  if (gif.withLocalTable.count > 0) {
    verdict->Add(VerdictCode::kLocalTables, path,
                 std::to_string(gif.withLocalTable.count) +
                     " frame(s) have a local colour table, which the player cannot show",
                 flattened, gif.withLocalTable.count);
  }
  if (gif.withBadCodeSize.count > 0) {
    verdict->Add(VerdictCode::kBadCodeSize, path,
                 std::to_string(gif.withBadCodeSize.count) + " frame(s) have an LZW minimum code size outside " +
                     std::to_string(kLzwPlayerMinCodeSizeLow) + " to " + std::to_string(kLzwPlayerMinCodeSizeHigh) +
                     " (frame " + std::to_string(gif.withBadCodeSize.first) + ": " +
                     std::to_string(gif.withBadCodeSize.value) + "), which the player cannot decode",
                 flattened, gif.withBadCodeSize.count);
  }
  if (gif.frames >= 2 && gif.withLongDelay.count > 0) {
    verdict->Add(VerdictCode::kLongDelay, path,
                 std::to_string(gif.withLongDelay.count) + " frame(s) stay longer than " +
                     Seconds(kLongestFrameDelay) + " (frame " + std::to_string(gif.withLongDelay.first) + ": " +
                     Seconds(gif.withLongDelay.value) +
                     "), which the player's timer cannot take; the animation would stop there for good",
                 flattened, gif.withLongDelay.count);
  }
  const size_t memoryRefusals = verdict->refusals.size();
  CheckMemory(path, gif, static_cast<int64_t>(bytes.size()), flattened, verdict);
  if (verdict->refusals.size() > memoryRefusals) return;

  // The player's own parse says which frames it can show.
  ByteReader reader{bytes.data(), static_cast<int32_t>(bytes.size()), 0};
  ParseGif(animation, &reader);
  CheckFramesPlay(path, *animation, flattened, verdict);

  if (gif.withTransparency.count > 0) {
    verdict->Add(VerdictCode::kTransparency, path,
                 std::to_string(gif.withTransparency.count) +
                     " frame(s) use a transparent colour, which the player ignores (it draws every pixel)",
                 flattened, gif.withTransparency.count);
  }
  if (gif.withDisposal.count > 0) {
    verdict->Add(VerdictCode::kDisposal, path,
                 std::to_string(gif.withDisposal.count) +
                     " frame(s) use a disposal method, which the player ignores (it never clears the canvas)",
                 flattened, gif.withDisposal.count);
  }
  if (gif.withZeroDelay.count > 0) {
    verdict->Add(VerdictCode::kZeroDelay, path,
                 std::to_string(gif.withZeroDelay.count) +
                     " frame(s) have a delay of 0; the greeting shows them for 100 ms, as web browsers do",
                 flattened, gif.withZeroDelay.count);
  }
}

void CheckSong(const std::string& path, const std::vector<uint8_t>& song, Verdict* verdict) {
  if (song.size() < 4 || std::memcmp(song.data(), "MThd", 4) != 0) {
    verdict->Add(VerdictCode::kNotMidi, path, "not a Standard MIDI File (it does not start with MThd)");
  } else {
    CheckReadWhole(path, "song", static_cast<int64_t>(song.size()), verdict);
  }
}

void CheckPlayer(const std::string& path, const std::vector<uint8_t>& player, Verdict* verdict) {
  if (player.size() < 2 || player[0] != 'M' || player[1] != 'Z') {
    verdict->Add(VerdictCode::kNotPlayer, path, "not a Windows program");
    return;
  }
  const bool holdsAnimation = FindSection(NativePath(path).c_str(), GIF_SECTION_MARKER) != 0;
  ClosePayloadFile();
  if (holdsAnimation) {
    verdict->Add(VerdictCode::kPlayerHoldsAnimation, path, "already holds an animation; give the plain player");
  }
}

FlattenOptions PlayerFlattenOptions(bool dither) {
  FlattenOptions options;
  options.dither = dither;
  options.playerMemoryLimit = kPlayerMemoryLimit;
  options.longestDelay = kLongestFrameDelay;
  return options;
}
