#include "flatten_need.h"

#include "gif_inspection.h"

namespace {

// Every refusal and warning that --flatten cures names it as the cure. The
// search starts after the "path: " each message begins with, so a file whose
// name holds the option's name is not taken for one that needs it.
bool NamesFlatten(const std::string& path, const std::vector<std::string>& messages) {
  for (const std::string& message : messages) {
    const size_t from = message.compare(0, path.size(), path) == 0 ? path.size() : 0;
    if (message.find("--flatten", from) != std::string::npos) return true;
  }
  return false;
}

std::string Count(int64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

FlattenNeed FindFlattenNeed(const std::string& path, const std::vector<uint8_t>& gif, const Verdict& asIs) {
  FlattenNeed need;
  need.needed = NamesFlatten(path, asIs.refusals) || NamesFlatten(path, asIs.warnings);
  if (!need.needed) return need;
  const GifInspection inspection = InspectGif(gif);
  const bool transparency = inspection.withTransparency.count > 0, disposal = inspection.withDisposal.count > 0;
  if (transparency && disposal) {
    need.cures.push_back("transparency and disposal rendered as a web browser shows them");
  } else if (transparency) {
    need.cures.push_back("transparency rendered as a web browser shows it");
  } else if (disposal) {
    need.cures.push_back("disposal rendered as a web browser shows it");
  }
  if (inspection.withLocalTable.count > 0) {
    need.cures.push_back(Count(inspection.withLocalTable.count, "local colour table", "local colour tables") +
                         (inspection.globalTable ? " merged with the global one" : " merged into one"));
  } else if (!inspection.globalTable) {
    need.cures.push_back("a colour table made for the player");
  }
  if (inspection.withBadCodeSize.count > 0) {
    need.cures.push_back(Count(inspection.withBadCodeSize.count, "frame", "frames") +
                         " the player cannot decode written again");
  }
  if (inspection.frames >= 2 && inspection.withLongDelay.count > 0) {
    need.cures.push_back("delays longer than the player's timer takes split");
  }
  // Frames without pixels and frames too large for the player's memory show
  // only in the player's own parse; flattening writes every frame again.
  if (need.cures.empty()) need.cures.push_back("frames written again so that the player can show them all");
  return need;
}
