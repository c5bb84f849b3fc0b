// What the packer needs to know about a GIF beyond what the player reads: the
// features the player ignores or cannot take, and what its frames will cost the
// player, found by walking the stream's blocks as the player's parser does,
// without decoding anything.
#pragma once

#include <cstdint>
#include <vector>

// Frames of one kind: how many, and the first of them with its value.
struct FrameTally {
  int64_t count = 0;
  int64_t first = -1;
  int64_t value = 0;
  void Add(int64_t frame, int64_t frameValue) {
    if (count++ == 0) {
      first = frame;
      value = frameValue;
    }
  }
};

struct GifInspection {
  bool signatureOk = false;   // "GIF87a" or "GIF89a"
  bool globalTable = false;
  int32_t width = 0;          // the logical screen
  int32_t height = 0;
  int64_t frames = 0;
  FrameTally withLocalTable;
  FrameTally withTransparency;
  FrameTally withDisposal;    // disposal methods 2 and 3, which restore areas
  FrameTally withZeroDelay;
  FrameTally withLongDelay;   // longer than the player's timer takes; value: the delay
  FrameTally withBadCodeSize; // a minimum code size the player cannot decode; value: the size
  // The pixel blocks the player allocates for the frames, in bytes, and the
  // largest of them; value: its bytes.
  int64_t framePixelBytes = 0;
  FrameTally largestFrame;
};

GifInspection InspectGif(const std::vector<uint8_t>& bytes);
