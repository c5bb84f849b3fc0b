// The web greeting: one self-contained HTML page that any browser plays
// offline, the animation looping and the song on a button, made from the
// template that web/ builds. The packer and the maker write pages through it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What a page is made of. Texts are UTF-8 and plain: the page escapes them.
struct WebPageParts {
  std::string title;
  const std::vector<uint8_t>* animation = nullptr;  // the GIF as it goes into a greeting
  const std::vector<uint8_t>* song = nullptr;       // a Standard MIDI File; null: none
  std::string words;                                // the sender's words; may be empty
};

// `gif` looping forever: its looping extension corrected to a count of 0, or
// one added right after the global colour table where it has none. Nothing else
// changes.
std::vector<uint8_t> LoopingForever(const std::vector<uint8_t>& gif);

// The page's bytes. Its animation is `parts.animation` looping forever; the same
// parts give the same bytes.
std::string MakeWebPage(const WebPageParts& parts);

// Writes the page beside `output` first and renames it into place. False, with
// `error` one line naming the file and the reason, when it is not written; no
// file is then left behind.
bool WriteWebPage(const WebPageParts& parts, const std::string& output, std::string* error);

// The title of a page saved as `output`: the first line of the sender's words
// (WordsTitle), or without words its file name without ".html".
std::string WebPageTitle(const std::string& output, const std::string& words);
