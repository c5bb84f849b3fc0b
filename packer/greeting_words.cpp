#include "greeting_words.h"

#include <cstdint>
#include <vector>

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";
const char kEllipsis[] = "\xE2\x80\xA6";

// The length of the UTF-8 sequence at `at`, 0 when none starts there: no
// overlong forms, no surrogates, nothing above U+10FFFF.
size_t SequenceAt(const std::string& text, size_t at) {
  const auto byte = [&](size_t i) { return i < text.size() ? static_cast<uint8_t>(text[i]) : 0; };
  const uint8_t lead = byte(at);
  if (lead < 0x80) return 1;
  size_t length;
  uint8_t low = 0x80, high = 0xBF;  // the range of the byte after the lead
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  for (size_t i = 1; i < length; i++) {
    const uint8_t next = byte(at + i);
    if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return 0;
  }
  return length;
}

}  // namespace

std::string NormalisedWords(const std::string& text) {
  std::string words;
  words.reserve(text.size());
  const size_t start = text.compare(0, 3, kByteOrderMark) == 0 ? 3 : 0;
  for (size_t i = start; i < text.size(); i++) {
    if (text[i] != '\r') {
      words += text[i];
    } else {
      words += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') i++;
    }
  }
  const size_t last = words.find_last_not_of(" \t\n");
  words.erase(last == std::string::npos ? 0 : last + 1);
  return words;
}

long CountCharacters(const std::string& text) {
  long count = 0;
  for (size_t i = 0; i < text.size(); count++) {
    const size_t length = SequenceAt(text, i);
    if (length == 0) return -1;
    i += length;
  }
  return count;
}

std::string WordsRefusal(const std::string& words) {
  const long count = CountCharacters(words);
  if (count < 0) return "the words are not UTF-8 text";
  if (static_cast<size_t>(count) > kMostWordCharacters) {
    return "the words have " + std::to_string(count) + " characters; a greeting takes at most " +
           std::to_string(kMostWordCharacters);
  }
  return std::string();
}

std::string WordsTitle(const std::string& words) {
  const std::string line = words.substr(0, words.find('\n'));
  // Where each of its first characters ends.
  std::vector<size_t> ends;
  for (size_t at = 0; at < line.size() && ends.size() <= kWordsTitleCharacters;) {
    const size_t length = SequenceAt(line, at);
    at += length == 0 ? 1 : length;
    ends.push_back(at);
  }
  if (ends.size() <= kWordsTitleCharacters) return line;
  return line.substr(0, ends[kWordsTitleCharacters - 2]) + kEllipsis;
}
