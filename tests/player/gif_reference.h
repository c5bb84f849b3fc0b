// What a reference decoder makes of a GIF file, and its portable dump (NAME.idx),
// so that a build without that decoder can compare against it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ReferenceFrame {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool interlaced = false;
  int32_t delay = 0;             // hundredths of a second; 0 without a graphic control block
  std::vector<uint8_t> indices;  // width x height, display rows top first
};

struct ReferenceGif {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> colours;  // the global table as red | green << 8 | blue << 16
  std::vector<ReferenceFrame> frames;
};

// giflib's decoding (DGifSlurp) of the file. Only in builds linked with giflib.
bool LoadWithGiflib(const std::string& path, ReferenceGif* gif, std::string* error);

bool WriteDump(const std::string& path, const ReferenceGif& gif);
bool ReadDump(const std::string& path, ReferenceGif* gif);
