#include "verdict.h"

#include <iterator>

namespace {

using Code = VerdictCode;
const VerdictKind kRefused = VerdictKind::kRefused, kWarned = VerdictKind::kWarned;

// Flattening writes every frame again; for a frame the player cannot show or
// hold, that is all there is to say.
const char kFramesWrittenAgain[] = "frames written again so that the player can show them all";
const char kShownAsABrowserDoes[] = "shows them as a browser does";
// A finding a maker names in a phrase of its own.
constexpr VerdictJoin kAlone{};

// One row a code, in the codes' order.
constexpr VerdictRule kRules[] = {
    {Code::kReadAsOneBlockTooLarge, kRefused, nullptr, nullptr, kAlone},
    {Code::kTooLargeToFlatten, kRefused, nullptr, nullptr, kAlone},
    {Code::kGreetingTooLarge, kRefused, nullptr, nullptr, kAlone},
    {Code::kNotGif, kRefused, nullptr, nullptr, kAlone},
    {Code::kNoGlobalTable, kRefused, "makes one", "a colour table made for the player", kAlone},
    {Code::kLocalTables, kRefused, "merges the tables", "{n} local colour table{s} merged with the global one",
     {Code::kNoGlobalTable, "{n} local colour table{s} merged into one"}},
    {Code::kBadCodeSize, kRefused, kShownAsABrowserDoes, "{n} frame{s} the player cannot decode written again", kAlone},
    {Code::kLongDelay, kRefused, "splits long delays", "delays longer than the player's timer takes split", kAlone},
    {Code::kTooMuchMemory, kRefused, nullptr, nullptr, kAlone},
    {Code::kFramesTooMuchMemory, kRefused, "keeps only what each frame changes", kFramesWrittenAgain, kAlone},
    {Code::kCanvasBlockTooLarge, kRefused, nullptr, nullptr, kAlone},
    {Code::kFrameBlockTooLarge, kRefused, "clips frames to the screen", kFramesWrittenAgain, kAlone},
    {Code::kNoFrame, kRefused, nullptr, nullptr, kAlone},
    {Code::kNoFrameWithPixels, kRefused, "shows the blank screen as a browser does", kFramesWrittenAgain, kAlone},
    {Code::kFramesWithoutPixels, kRefused, "writes such frames as 1 x 1", kFramesWrittenAgain, kAlone},
    {Code::kTransparency, kWarned, kShownAsABrowserDoes, "transparency rendered as a web browser shows it",
     {Code::kDisposal, "transparency and disposal rendered as a web browser shows them"}},
    {Code::kDisposal, kWarned, kShownAsABrowserDoes, "disposal rendered as a web browser shows it", kAlone},
    {Code::kZeroDelay, kWarned, nullptr, nullptr, kAlone},
    {Code::kNotMidi, kRefused, nullptr, nullptr, kAlone},
    {Code::kPlayerUnreadable, kRefused, nullptr, nullptr, kAlone},
    {Code::kNotPlayer, kRefused, nullptr, nullptr, kAlone},
    {Code::kPlayerHoldsAnimation, kRefused, nullptr, nullptr, kAlone},
};

// RuleOf indexes the rows by code, and a cure the packer names is one a maker
// can say it brought.
constexpr bool RowsAreWhole() {
  for (size_t i = 0; i < std::size(kRules); i++) {
    const VerdictRule& rule = kRules[i];
    if (static_cast<size_t>(rule.code) != i) return false;
    if ((rule.flattenDoes == nullptr) != (rule.madePlayable == nullptr)) return false;
    if (rule.join.with.has_value() != (rule.join.phrase != nullptr)) return false;
  }
  return true;
}
static_assert(std::size(kRules) == static_cast<size_t>(Code::kPlayerHoldsAnimation) + 1, "a row for every code");
static_assert(RowsAreWhole(), "the rows follow the codes, each cure with its words for both programs");

}  // namespace

const VerdictRule& RuleOf(VerdictCode code) { return kRules[static_cast<size_t>(code)]; }

void Verdict::Add(VerdictCode code, const std::string& file, const std::string& reason, bool flattened,
                  int64_t frames) {
  const VerdictRule& rule = RuleOf(code);
  std::string text = reason;
  // A warning's reason already ends in brackets, saying what the player does
  // instead; its cure follows it.
  if (rule.flattenDoes != nullptr && !flattened) {
    text += rule.kind == kRefused ? std::string(" (--flatten ") + rule.flattenDoes + ")"
                                  : std::string("; --flatten ") + rule.flattenDoes;
  }
  (rule.kind == kRefused ? refusals : warnings).push_back(VerdictEntry{code, file, text, frames});
}

std::string Verdict::RefusalLines(const char* lineBreak) const {
  std::string text;
  for (const VerdictEntry& refusal : refusals) text += (text.empty() ? "" : lineBreak) + refusal.message();
  return text;
}
