#include "web_page.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "gif_block_walker.h"
#include "gif_blocks.h"
#include "greeting_words.h"
#include "web_template.h"
#include "whole_file.h"

namespace {

// Introducer, label, the identifier's sub-block, the loop's sub-block, terminator.
const size_t kLoopingExtensionSize = 2 + 1 + kGifLoopingApplicationSize + 1 + kGifLoopSubBlockSize + 1;

// Where the loop count of a looping extension at `at` stands; 0 when the
// extension there is not one.
size_t LoopCountAt(const std::vector<uint8_t>& gif, size_t at, size_t end) {
  if (end - at < kLoopingExtensionSize) return 0;
  const uint8_t* block = gif.data() + at;
  if (block[2] != kGifLoopingApplicationSize ||
      std::memcmp(block + 3, kGifLoopingApplication, kGifLoopingApplicationSize) != 0) {
    return 0;
  }
  const uint8_t* loop = block + 3 + kGifLoopingApplicationSize;
  if (loop[0] != kGifLoopSubBlockSize || loop[1] != kGifLoopSubBlockId) return 0;
  return at + 3 + kGifLoopingApplicationSize + 2;
}

std::string Escaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Base64(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t group = static_cast<uint32_t>(bytes[i]) << 16 | bytes[i + 1] << 8 | bytes[i + 2];
    for (int shift = 18; shift >= 0; shift -= 6) out += kDigits[group >> shift & 63];
  }
  const size_t left = bytes.size() - i;
  if (left > 0) {
    const uint32_t group = static_cast<uint32_t>(bytes[i]) << 16 | (left == 2 ? bytes[i + 1] << 8 : 0);
    out += kDigits[group >> 18 & 63];
    out += kDigits[group >> 12 & 63];
    out += left == 2 ? kDigits[group >> 6 & 63] : '=';
    out += '=';
  }
  return out;
}

}  // namespace

std::vector<uint8_t> LoopingForever(const std::vector<uint8_t>& gif) {
  std::vector<uint8_t> looping = gif;
  GifBlockWalker walker(gif.data(), gif.size());
  GifScreen screen;
  if (!walker.ReadScreen(&screen)) return looping;
  const size_t afterTable = walker.offset();
  bool found = false;
  GifBlock block;
  for (GifBlockKind kind; (kind = walker.Next(&block)) != GifBlockKind::kEnd && kind != GifBlockKind::kTrailer;) {
    if (kind == GifBlockKind::kImage) {
      walker.cursor()->Byte();  // the LZW minimum code size
      if (!walker.cursor()->SkipSubBlocks()) break;
      continue;
    }
    if (kind != GifBlockKind::kExtension || block.label != kGifApplicationLabel) continue;
    const size_t count = LoopCountAt(gif, block.offset, walker.offset());
    if (count == 0) continue;
    looping[count] = 0;
    looping[count + 1] = 0;
    found = true;
  }
  if (!found) {
    std::vector<uint8_t> extension = {kGifExtensionIntroducer, kGifApplicationLabel, kGifLoopingApplicationSize};
    extension.insert(extension.end(), kGifLoopingApplication, kGifLoopingApplication + kGifLoopingApplicationSize);
    extension.insert(extension.end(), {kGifLoopSubBlockSize, kGifLoopSubBlockId, 0, 0, kGifBlockTerminator});
    looping.insert(looping.begin() + static_cast<std::ptrdiff_t>(afterTable), extension.begin(), extension.end());
  }
  return looping;
}

std::string MakeWebPage(const WebPageParts& parts) {
  const std::vector<uint8_t> gif = LoopingForever(*parts.animation);
  GifBlockWalker walker(gif.data(), gif.size());
  GifScreen screen;
  walker.ReadScreen(&screen);
  const std::string title = Escaped(parts.title);
  const auto field = [&](const std::string& name) -> std::string {
    if (name == "title") return title;
    if (name == "alt") return "Animation: " + title;
    if (name == "gif") return Base64(gif);
    if (name == "width") return std::to_string(screen.width);
    if (name == "height") return std::to_string(screen.height);
    if (name == "song") return parts.song ? Base64(*parts.song) : std::string();
    if (name == "words") return Escaped(parts.words);
    return std::string();
  };
  std::string page;
  for (const WebTemplatePiece& piece : kWebTemplatePieces) {
    page.append(piece.text, piece.size);
    if (piece.field) page += field(piece.field);
  }
  return page;
}

bool WriteWebPage(const WebPageParts& parts, const std::string& output, std::string* error) {
  const std::string page = MakeWebPage(parts);
  // Never leave a partial page behind: write aside, then rename.
  const std::string partial = output + ".partial-" + std::to_string(getpid());
  if (!WriteWholeFile(partial, page)) {
    *error = output + ": cannot write it: " + std::strerror(errno);
    RemovePath(partial);
    return false;
  }
  if (!ReplacePath(partial, output)) {
    *error = output + ": cannot write it: " + std::strerror(errno);
    RemovePath(partial);
    return false;
  }
  return true;
}

std::string WebPageTitle(const std::string& output, const std::string& words) {
  const std::string title = WordsTitle(words);
  if (!title.empty()) return title;
  const size_t slash = output.find_last_of("/\\");
  std::string name = slash == std::string::npos ? output : output.substr(slash + 1);
  const std::string extension = ".html";
  if (name.size() > extension.size()) {
    std::string tail = name.substr(name.size() - extension.size());
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (tail == extension) name.erase(name.size() - extension.size());
  }
  return name;
}
