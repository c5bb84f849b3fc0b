// The sender's words on a greeting: the one form the packer and the maker both
// write them in, what refuses them, and the title they give.
#pragma once

#include <cstddef>
#include <string>

// The most characters (code points) a greeting's words may have.
const size_t kMostWordCharacters = 1000;

// `text` as a greeting carries it: line breaks as LF, no byte order mark ahead,
// no spaces or line breaks behind. Empty means no words.
std::string NormalisedWords(const std::string& text);

// The characters (code points) of UTF-8 `text`; -1 when it is not valid UTF-8.
long CountCharacters(const std::string& text);

// Why `words` cannot go on a greeting (not UTF-8, or too long); empty when they can.
std::string WordsRefusal(const std::string& words);

// What a window or a page showing the words is called, as the player calls its
// window: their first line, cut to kWordsTitleCharacters characters, the last
// an ellipsis, when longer; empty when the first line is.
const size_t kWordsTitleCharacters = 60;
std::string WordsTitle(const std::string& words);
