// What the packer's checks find in the parts of a greeting, each finding by its
// code: whether it refuses the greeting or warns, and what --flatten does about
// it. A finding's line of text is made from its code, so whatever acts on a
// verdict (the packer's exit, a maker deciding to flatten) reads codes, never
// the words, which name files people called anything.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class VerdictCode {
  // The parts' sizes, before anything is read.
  kReadAsOneBlockTooLarge,  // an animation or a song
  kTooLargeToFlatten,
  kGreetingTooLarge,
  // The animation.
  kNotGif,
  kNoGlobalTable,
  kLocalTables,
  kBadCodeSize,
  kLongDelay,
  kTooMuchMemory,        // the canvas or the file itself is to blame
  kFramesTooMuchMemory,  // what the frames hold is to blame
  kCanvasBlockTooLarge,
  kFrameBlockTooLarge,
  kNoFrame,              // the player's parse finds none
  kNoFrameWithPixels,    // it finds frames, every one without pixels
  kFramesWithoutPixels,  // some of them
  kTransparency,
  kDisposal,
  kZeroDelay,
  // The song and the player.
  kNotMidi,
  kPlayerUnreadable,
  kNotPlayer,
  kPlayerHoldsAnimation,
};

enum class VerdictKind { kRefused, kWarned };

// Two findings a maker names in one phrase.
struct VerdictJoin {
  std::optional<VerdictCode> with;
  const char* phrase;
};

// Everything the packer and the maker know of a code, in one row.
struct VerdictRule {
  VerdictCode code;
  VerdictKind kind;
  // What --flatten does about it, as the packer's line names the cure; null
  // when flattening does not cure it.
  const char* flattenDoes;
  // What a maker that flattened for it says was done; "{n}" stands for the
  // frames the finding counts, "{s}" for the plural's ending.
  const char* madePlayable;
  // With `join.with` in the same verdict, `join.phrase` says it for both.
  VerdictJoin join;
};

const VerdictRule& RuleOf(VerdictCode code);

struct VerdictEntry {
  VerdictCode code;
  std::string file;
  std::string reason;  // and, where there is one, the cure
  int64_t frames;      // the frames it concerns, where the reason counts them
  // One line: the file, the reason and the cure.
  std::string message() const { return file + ": " + reason; }
  bool flattenCures() const { return RuleOf(code).flattenDoes != nullptr; }
};

struct Verdict {
  // The greeting would not play as meant: it must not be written.
  std::vector<VerdictEntry> refusals;
  // It plays to the end, though not quite as the file would elsewhere.
  std::vector<VerdictEntry> warnings;
  bool accepted() const { return refusals.empty(); }
  // Whether a finding, refused or warned, meets `test`.
  template <typename Test>
  bool Any(Test test) const {
    return std::any_of(refusals.begin(), refusals.end(), test) || std::any_of(warnings.begin(), warnings.end(), test);
  }
  bool Holds(VerdictCode code) const {
    return Any([code](const VerdictEntry& entry) { return entry.code == code; });
  }
  // Adds a finding about `file` to the refusals or the warnings, as its code's
  // row says, naming the cure --flatten brings unless the file came from it.
  void Add(VerdictCode code, const std::string& file, const std::string& reason, bool flattened = false,
           int64_t frames = 0);
  // The refusals' messages, `lineBreak` between them.
  std::string RefusalLines(const char* lineBreak = "\n") const;
};
