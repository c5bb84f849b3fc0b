#include "greeting_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#ifdef _WIN32
#include <process.h>
#include <windows.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "byte_writer.h"
#include "native_path.h"
#include "payload_locator.h"
#include "player_limits.h"
#include "whole_file.h"

namespace {

// One section of the greeting, as the player's lookup scans for it.
struct Section {
  const char* marker;  // the player's own marker, behind its three dashes
  const char* what;    // what the player takes the data for
  int64_t start;       // where the section's marker begins in the greeting
  int64_t size;        // the data's bytes
  std::string Name() const { return MarkerName(marker); }
  // The asterisk, the name and the colon.
  int64_t MarkerBytes() const { return static_cast<int64_t>(std::strlen(MarkerName(marker))) + 2; }
  int64_t DataStart() const { return start + MarkerBytes() + 4; }
};

// What stands before a section's data: its marker and the data's length.
std::string SectionHeader(const Section& section) {
  // Built here from the player's markers rather than stored whole, so this
  // program never carries a complete marker.
  std::string header = "*" + section.Name() + ":";
  PutU32(&header, static_cast<uint32_t>(section.size));
  return header;
}

// What the player's own lookup finds for a marker in the file at `path`.
struct Lookup {
  bool opened;
  int32_t length;   // what FindSection returns
  int64_t matched;  // where the marker it matched begins; -1 when none
};

Lookup LookUp(const std::string& path, const Section& section, int64_t fileSize) {
  Lookup lookup;
  lookup.length = FindSection(NativePath(path).c_str(), section.marker);
  lookup.opened = payloadFile != nullptr && payloadFile != INVALID_HANDLE_VALUE;
  // After a match the scan has consumed the bytes through the colon; without
  // one, the whole file.
  const int64_t consumed = scanBytesConsumed;
  lookup.matched = consumed < fileSize ? consumed - section.MarkerBytes() : -1;
  ClosePayloadFile();
  return lookup;
}

class GreetingLayout {
 public:
  GreetingLayout(const GreetingParts& parts, const std::string& output) : parts_(parts), output_(output) {
    animation_ = Section{GIF_SECTION_MARKER, "animation", Size(parts.player), Size(parts.animation)};
    song_ = Section{MIDI_SECTION_MARKER, "song", animation_.DataStart() + animation_.size,
                    parts.song ? Size(parts.song) : 0};
    words_ = Section{TEXT_SECTION_MARKER, "words", parts.song ? song_.DataStart() + song_.size : song_.start,
                     static_cast<int64_t>(parts.words.size())};
  }

  const Section& animation() const { return animation_; }
  const Section& song() const { return song_; }
  const Section& words() const { return words_; }
  int64_t total() const { return parts_.words.empty() ? words_.start : words_.DataStart() + words_.size; }

  // Why the player's lookup of `section` did not end at the section itself.
  std::string Explain(const Section& section, const Lookup& lookup) const {
    if (lookup.matched >= 0 && lookup.matched < section.start) {
      const Part part = PartAt(lookup.matched);
      const std::string cure = part.section == nullptr ? " (give the plain player)"
                               : part.section == &animation_ && !parts_.flattened
                                   ? " (--flatten drops comments and application data)"
                                   : "";
      return part.path + ": holds the marker of a " + section.what + " section (*" + section.Name() + ":) at byte " +
             std::to_string(part.offset) + ", which the player would take for the " + section.what + cure;
    }
    if (lookup.matched < 0 || lookup.matched > section.start) {
      // The part before the section leaves a candidate match open, which
      // swallows the section's own asterisk.
      const Part part = PartAt(section.start - 1);
      const std::string cure = part.section == nullptr ? " (give the plain player)"
                               : part.section == &animation_ && !parts_.flattened
                                   ? " (--flatten ends it with the GIF trailer)"
                                   : "";
      return part.path + ": ends with the start of a section marker, which hides the " + section.what +
             "'s marker after it from the player" + cure;
    }
    return output_ + ": the player reads a length of " + std::to_string(lookup.length) + " for the " +
           section.what + ", not the " + std::to_string(section.size) + " bytes written";
  }

 private:
  static int64_t Size(const std::vector<uint8_t>* bytes) { return static_cast<int64_t>(bytes->size()); }

  // The part of the greeting that holds the byte at `offset`: its path, its
  // section (null for the player) and where in its own file the byte is.
  struct Part {
    std::string path;
    const Section* section;
    int64_t offset;
  };
  Part PartAt(int64_t offset) const {
    if (parts_.song && offset >= song_.DataStart()) return Part{parts_.songPath, &song_, offset - song_.DataStart()};
    if (offset >= animation_.DataStart()) {
      return Part{parts_.animationPath, &animation_, offset - animation_.DataStart()};
    }
    return Part{parts_.playerPath, nullptr, offset};
  }

  const GreetingParts& parts_;
  const std::string output_;
  Section animation_;
  Section song_;
  Section words_;
};

// Runs the player's lookup on the greeting as written: each section must be
// found where it stands, and none of a part not given (a song, the words). An
// empty string when so, else why not.
std::string CheckSections(const std::string& path, const std::string& output, const GreetingLayout& layout,
                          bool withSong) {
  const int64_t size = layout.total();
  Lookup animation = LookUp(path, layout.animation(), size);
  if (!animation.opened) return output + ": cannot read it back: " + std::strerror(errno);
  if (animation.matched != layout.animation().start || animation.length != layout.animation().size) {
    return layout.Explain(layout.animation(), animation);
  }
  // Each later section where it stands; a section not given must not be
  // found, since the player would take what it found for it (a marker with no
  // usable length gives nothing).
  for (const Section* section : {&layout.song(), &layout.words()}) {
    const bool given = section == &layout.song() ? withSong : section->size > 0;
    Lookup found = LookUp(path, *section, size);
    if (given ? found.matched != section->start || found.length != section->size : found.length != 0) {
      return layout.Explain(*section, found);
    }
  }
  return std::string();
}

}  // namespace

int64_t FileSize(const std::string& path) {
#ifdef _WIN32
  struct _stati64 info;
  if (_wstati64(NativePath(path).c_str(), &info) != 0) return -1;
#else
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return -1;
#endif
  return static_cast<int64_t>(info.st_size);
}

namespace {

// The parts as a greeting, in `path`; false when they cannot be written.
bool WriteSections(const GreetingParts& parts, const GreetingLayout& layout, const std::string& path) {
  const std::string animationHeader = SectionHeader(layout.animation());
  const std::string songHeader = SectionHeader(layout.song()), wordsHeader = SectionHeader(layout.words());
  std::string words = parts.words;
  for (char& c : words) c = static_cast<char>(c ^ kTextSectionFlip);
  std::vector<ByteView> pieces = {*parts.player, animationHeader, *parts.animation};
  if (parts.song) pieces.insert(pieces.end(), {songHeader, *parts.song});
  if (!words.empty()) pieces.insert(pieces.end(), {wordsHeader, words});
  return WriteWholeFile(path, pieces);
}

}  // namespace

bool WriteGreeting(const GreetingParts& parts, const std::string& output, std::string* error) {
  GreetingLayout layout(parts, output);
  if (layout.total() > kGreetingSizeLimit) {
    *error = output + ": the greeting would be " + Megabytes(layout.total()) +
             "; the player cannot scan a file of 2 GiB or more";
    return false;
  }
  // Never leave a partial greeting behind: write aside, then rename.
  const std::string partial = output + ".partial-" + std::to_string(getpid());
  if (!WriteSections(parts, layout, partial)) {
    *error = output + ": cannot write it: " + std::strerror(errno);
    RemovePath(partial);
    return false;
  }
  *error = CheckSections(partial, output, layout, parts.song != nullptr);
  if (error->empty() && !ReplacePath(partial, output)) *error = output + ": cannot write it";
  if (!error->empty()) {
    RemovePath(partial);
    return false;
  }
  return true;
}

bool CheckAsGreeting(const GreetingParts& parts, const std::string& output, std::string* error) {
  // Two bytes that can hold no marker stand for the player.
  static const std::vector<uint8_t> kStandInPlayer = {'M', 'Z'};
  GreetingParts trial = parts;
  trial.player = &kStandInPlayer;
  GreetingLayout layout(trial, output);
  const std::string aside = output + ".sections-" + std::to_string(getpid());
  if (!WriteSections(trial, layout, aside)) {
    *error = output + ": cannot write it: " + std::strerror(errno);
  } else {
    *error = CheckSections(aside, output, layout, parts.song != nullptr);
  }
  RemovePath(aside);
  return error->empty();
}
