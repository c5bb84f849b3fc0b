#include "flatten_need.h"

#include <algorithm>

namespace {

// A phrase of the code table with the frames its finding counts.
std::string Counted(std::string phrase, int64_t frames) {
  const std::string count = "{n}", plural = "{s}";
  size_t at = phrase.find(count);
  if (at != std::string::npos) phrase.replace(at, count.size(), std::to_string(frames));
  at = phrase.find(plural);
  if (at != std::string::npos) phrase.replace(at, plural.size(), frames == 1 ? "" : "s");
  return phrase;
}

// Whether another finding's phrase says what flattening did about `code`.
bool JoinedInto(const Verdict& verdict, VerdictCode code) {
  return verdict.Any([code](const VerdictEntry& entry) { return RuleOf(entry.code).join.with == code; });
}

}  // namespace

FlattenNeed FindFlattenNeed(const Verdict& asIs) {
  FlattenNeed need;
  // How the frames are drawn is said before what they are made of.
  for (const std::vector<VerdictEntry>* entries : {&asIs.warnings, &asIs.refusals}) {
    for (const VerdictEntry& entry : *entries) {
      if (!entry.flattenCures()) continue;
      need.needed = true;
      if (JoinedInto(asIs, entry.code)) continue;
      const VerdictRule& rule = RuleOf(entry.code);
      const bool joined = rule.join.with && asIs.Holds(*rule.join.with);
      const std::string cure = Counted(joined ? rule.join.phrase : rule.madePlayable, entry.frames);
      if (std::find(need.cures.begin(), need.cures.end(), cure) == need.cures.end()) need.cures.push_back(cure);
    }
  }
  return need;
}
