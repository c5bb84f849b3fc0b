// Two independent readings of a GIF stream, giflib's and the player's, in one
// plain form so tests can compare them with each other and with what was encoded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DecodedFrame {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int delay = 0;
  int disposal = 0;
  int transparent = -1;
  bool localTable = false;
  std::vector<uint32_t> localColours;  // as `colours`; giflib's reading only
  bool interlaced = false;
  std::vector<uint8_t> pixels;  // rows top-down, width bytes each
};

struct DecodedGif {
  bool ok = false;
  std::string error;
  int width = 0;
  int height = 0;
  std::vector<uint32_t> colours;  // red | green << 8 | blue << 16
  int loopCount = -1;             // -1 without the looping extension
  std::vector<DecodedFrame> frames;
};

DecodedGif DecodeWithGiflib(const std::vector<uint8_t>& bytes);

// The player's parser keeps no delays for frames it drops and reads no
// disposal, transparency or loop count; those fields stay at their defaults.
DecodedGif DecodeWithPlayer(const std::vector<uint8_t>& bytes);
