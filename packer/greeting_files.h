// The files of a greeting: the sizes of its parts, and the greeting written so
// that the player's own section lookup finds each part exactly where it was put.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The size of a file in bytes; -1 when it cannot be found.
int64_t FileSize(const std::string& path);

// What a greeting is made of; each part is named in messages by its path.
struct GreetingParts {
  std::string playerPath;
  const std::vector<uint8_t>* player = nullptr;
  std::string animationPath;
  const std::vector<uint8_t>* animation = nullptr;
  bool flattened = false;  // the animation came from --flatten
  std::string songPath;
  const std::vector<uint8_t>* song = nullptr;  // null: no song
  std::string words;  // the sender's words as NormalisedWords gives them; empty: none
};

// Writes the player followed by the animation's section, the song's and the
// words', beside `output` first. Only when the player's lookup finds each part
// exactly where it was written (and finds none of a part not given) is the file
// renamed to `output`; otherwise it is removed. False, with `error` one line
// naming the file, the reason and the cure, when the greeting is not written.
bool WriteGreeting(const GreetingParts& parts, const std::string& output, std::string* error);

// What the player's lookup of a greeting's sections would refuse the parts for
// (a marker inside the animation or the song, or a part that hides the next
// one's), for a form of the greeting without the player, the web page: the
// parts are written beside `output` as a greeting with a stand-in player, looked
// up and removed. False, with `error` one line naming the file, the reason and
// the cure, when a greeting of them would be refused.
bool CheckAsGreeting(const GreetingParts& parts, const std::string& output, std::string* error);
