// What the packer needs to know about a GIF beyond what the player reads: the
// features the player ignores, found by walking the stream's blocks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct GifInspection {
  bool signatureOk = false;   // "GIF87a" or "GIF89a"
  bool globalTable = false;
  int32_t framesWithLocalTable = 0;
  int32_t framesWithTransparency = 0;
  int32_t framesWithDisposal = 0;  // disposal methods 2 and 3, which restore areas
  int32_t framesWithZeroDelay = 0;
  int32_t frames = 0;
};

GifInspection InspectGif(const std::vector<uint8_t>& bytes);
