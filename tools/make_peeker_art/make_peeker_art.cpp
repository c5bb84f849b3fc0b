// make-peeker-art OUTDIR: draws the peeker's art and sound into OUTDIR. Every
// byte follows from the code alone, with no fonts, random numbers or clocks, so
// the committed files can be checked against a fresh run.
#include <cstdio>
#include <string>

#include "about_art.h"
#include "bmp_rle8.h"
#include "chime.h"
#include "creature.h"
#include "icon_file.h"
#include "whole_file.h"

namespace {

bool WriteFile(const std::string& path, const std::string& bytes) {
  if (WriteWholeFile(path, bytes)) return true;
  std::perror(path.c_str());
  return false;
}

struct Frame {
  int resourceId;
  CreaturePose pose;
};

// The peeker shows 104 while it looks and 101 while it blinks; 103 and 102 are
// the lid on its way down.
const Frame kFrames[] = {
    {101, {1.0}},
    {102, {0.7}},
    {103, {0.45}},
    {104, {0.0}},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-peeker-art OUTDIR\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  bool ok = true;
  for (const Frame& frame : kFrames) {
    ok &= WriteFile(dir + "peek_" + std::to_string(frame.resourceId) + ".bmp",
                    BmpFileRle8(DrawPeekingCreature(frame.pose)));
  }
  ok &= WriteFile(dir + "about_161.bmp", BmpFileRle8(DrawTitle()));
  ok &= WriteFile(dir + "about_162.bmp", BmpFileRle8(DrawTextLine("Click Kill to say goodbye", 207, 16)));
  ok &= WriteFile(dir + "about_163.bmp", BmpFileRle8(DrawTextLine("A little friend who peeks at you", 199, 18)));
  ok &= WriteFile(dir + "about_165.wav", ChimeWaveFile());
  // 32 and 16 for the file and the notification area at 100%, 64 for displays of 200%.
  ok &= WriteFile(dir + "glimmer.ico", IconFile({SeeThroughAtEntryZero(DrawLargeIcon()),
                                                 SeeThroughAtEntryZero(DrawSmallIcon()),
                                                 SeeThroughAtEntryZero(DrawLargeIcon(2))}));
  return ok ? 0 : 1;
}
