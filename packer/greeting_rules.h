// The packer's contract with the player: what the parts of a greeting must be
// for the player to play it to the end of its loop, with its song. Every greeting
// maker runs these checks; each refusal and warning has its code, and one line
// naming the file, the reason and, where there is one, the cure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gif_flattener.h"
#include "gif_parser.h"
#include "verdict.h"

// A part of the greeting as it lies on disk, before it is read.
struct PartSize {
  std::string path;
  int64_t bytes = -1;  // -1 when unknown; reading it will then say why
};

// Refuses, before anything is read, an animation or a song larger than the
// player can read as one block and a greeting larger than it can scan. `song`
// is null without one; with `flatten` the animation is only the source of the
// one packed, whose size is checked again when the greeting is written.
void CheckPartSizes(const PartSize& player, const PartSize& animation, const PartSize* song, bool flatten,
                    const std::string& output, Verdict* verdict);

// Checks a GIF as the player will read it. When its frames fit the player's
// memory, they are parsed with the player's own parser into `animation` (release
// it with FreeGifAnimation), which a preview may show; otherwise `animation` is
// left without frames. A `flattened` GIF came from --flatten, so no refusal
// names --flatten as the cure.
void CheckAnimation(const std::string& path, const std::vector<uint8_t>& gif, bool flattened, GifAnimation* animation,
                    Verdict* verdict);

void CheckSong(const std::string& path, const std::vector<uint8_t>& song, Verdict* verdict);

// The player to copy: a Windows program without an animation of its own.
void CheckPlayer(const std::string& path, const std::vector<uint8_t>& player, Verdict* verdict);

// --flatten as the player needs it: within its memory, no delay its timer refuses.
FlattenOptions PlayerFlattenOptions(bool dither);
