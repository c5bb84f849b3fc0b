#include "words_band.h"

#include <usp10.h>

#include "display_scale.h"

namespace {

const wchar_t kEllipsis = 0x2026;
// Uniscribe shapes each run in a font that has its script (SSA_FALLBACK) and
// draws surrogates through it, which plain GDI text output cannot everywhere.
const DWORD kShaping = SSA_GLYPHS | SSA_FALLBACK | SSA_LINK;

// The paragraph's logical widths, and the line shortened for its ellipsis.
int widths[kMaxWordsUnits];
wchar_t shortened[kMaxWordsUnits + 1];

// One string shaped for a DC; null when it cannot be.
class StringAnalysis {
 public:
  StringAnalysis(HDC dc, const wchar_t* text, int length, DWORD flags) {
    if (length <= 0 || FAILED(ScriptStringAnalyse(dc, text, length, length * 3 / 2 + 16, -1, flags, 0, nullptr,
                                                  nullptr, nullptr, nullptr, nullptr, &analysis_)))
      analysis_ = nullptr;
  }
  ~StringAnalysis() {
    if (analysis_ != nullptr) ScriptStringFree(&analysis_);
  }
  StringAnalysis(const StringAnalysis&) = delete;
  StringAnalysis& operator=(const StringAnalysis&) = delete;
  operator SCRIPT_STRING_ANALYSIS() const { return analysis_; }

 private:
  SCRIPT_STRING_ANALYSIS analysis_ = nullptr;
};

bool RightToLeftLetter(wchar_t c) {
  return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFC);
}

// Whether the paragraph's first letter is of a right-to-left script.
bool ReadsRightToLeft(const wchar_t* text, int length) {
  for (int i = 0; i < length; i++) {
    if (RightToLeftLetter(text[i])) return true;
    if (IsCharAlphaW(text[i])) return false;
  }
  return false;
}

class Breaker {
 public:
  Breaker(WordsBand* band, HDC dc, int room, int fit) : band_(band), dc_(dc), room_(room), fit_(fit) {}

  // Adds the lines of the paragraph [start, end); false when the band had no
  // room for all of them.
  bool Paragraph(int start, int end) {
    const wchar_t* text = band_->words + start;
    const int length = end - start;
    const bool rightToLeft = ReadsRightToLeft(text, length);
    StringAnalysis analysis(dc_, text, length, kShaping | SSA_BREAK | (rightToLeft ? SSA_RTL : 0));
    const SCRIPT_LOGATTR* marks = analysis ? ScriptString_pLogAttr(analysis) : nullptr;
    if (marks == nullptr || FAILED(ScriptStringGetLogicalWidths(analysis, widths)))
      return Add(start, length, rightToLeft);  // an empty line, or one that cannot be measured
    for (int first = 0; first < length;) {
      // As far as fits, spaces hanging past the edge; then back to the last
      // place a line may break, or else the last character boundary.
      int used = 0, lastBreak = first, lastStop = first, i = first;
      for (; i < length; i++) {
        if (i > first && marks[i].fSoftBreak) lastBreak = i;
        if (i > first && marks[i].fCharStop) lastStop = i;
        if (i > first && !marks[i].fWhiteSpace && used + widths[i] > room_) break;
        used += widths[i];
      }
      int next = i;
      if (i < length) next = lastBreak > first ? lastBreak : lastStop;
      // Not even one character fits: it takes a line of its own.
      if (next == first) {
        next = first + 1;
        while (next < length && !marks[next].fCharStop) next++;
      }
      int shown = next;
      while (shown > first && marks[shown - 1].fWhiteSpace) shown--;
      if (!Add(start + first, shown - first, rightToLeft)) return false;
      first = next;
    }
    return true;
  }

  // Ends the last line in an ellipsis, leaving off what no longer fits.
  void EndWithEllipsis() {
    WordsLine& line = band_->lines[band_->lineCount - 1];
    line.ellipsis = true;
    SIZE ellipsis = {};
    GetTextExtentPoint32W(dc_, &kEllipsis, 1, &ellipsis);
    StringAnalysis analysis(dc_, band_->words + line.start, line.length,
                            kShaping | SSA_BREAK | (line.rightToLeft ? SSA_RTL : 0));
    const SCRIPT_LOGATTR* marks = analysis ? ScriptString_pLogAttr(analysis) : nullptr;
    if (marks == nullptr || FAILED(ScriptStringGetLogicalWidths(analysis, widths))) return;
    const int whole = line.length;
    int used = 0;
    for (int i = 0; i < whole; i++) used += widths[i];
    while (line.length > 0 && (used + ellipsis.cx > room_ || marks[line.length - 1].fWhiteSpace ||
                               (line.length < whole && !marks[line.length].fCharStop)))
      used -= widths[--line.length];
  }

 private:
  bool Add(int start, int length, bool rightToLeft) {
    if (band_->lineCount == fit_) return false;
    band_->lines[band_->lineCount++] = WordsLine{start, length, false, rightToLeft};
    return true;
  }

  WordsBand* band_;
  HDC dc_;
  int room_, fit_;
};

}  // namespace

int WordsBand::Layout(HDC dc, const wchar_t* text, int length, int width, int maxHeight, int bandMargin) {
  words = text;
  margin = bandMargin;
  lineCount = 0;
  height = 0;
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  // Room beyond the font's own height for the taller ascent of the fonts that
  // other scripts fall back to, which are drawn from the same top.
  lineHeight = metrics.tmHeight + metrics.tmExternalLeading + metrics.tmHeight / 4;
  if (length > kMaxWordsUnits) length = kMaxWordsUnits;
  if (length <= 0 || lineHeight <= 0) return 0;
  // A surrogate pair cut in two by the limit goes whole.
  if (text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) length--;

  const int room = width - 2 * margin > 1 ? width - 2 * margin : 1;
  const int fit = (maxHeight - 2 * margin) / lineHeight;
  Breaker breaker(this, dc, room, fit > 1 ? fit : 1);
  for (int start = 0, end = 0; start <= length; start = end + 1) {
    end = start;
    while (end < length && text[end] != L'\n') end++;
    if (!breaker.Paragraph(start, end)) {
      breaker.EndWithEllipsis();
      break;
    }
  }
  height = 2 * margin + lineCount * lineHeight;
  return height;
}

void WordsBand::Draw(HDC dc, const RECT& band) const {
  FillRect(dc, &band, GetSysColorBrush(COLOR_WINDOW));
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkMode(dc, TRANSPARENT);
  for (int i = 0; i < lineCount; i++) {
    const WordsLine& line = lines[i];
    const wchar_t* text = words + line.start;
    int length = line.length;
    if (line.ellipsis) {
      for (int c = 0; c < length; c++) shortened[c] = text[c];
      shortened[length++] = kEllipsis;
      text = shortened;
    }
    StringAnalysis analysis(dc, text, length, kShaping | (line.rightToLeft ? SSA_RTL : 0));
    const SIZE* size = analysis ? ScriptString_pSize(analysis) : nullptr;
    if (size == nullptr) continue;
    ScriptStringOut(analysis, band.left + (band.right - band.left - size->cx) / 2, band.top + margin + i * lineHeight,
                    0, nullptr, 0, 0, FALSE);
  }
}

HFONT CreateWordsFont(int scale) {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  metrics.lfMessageFont.lfHeight = -MulDiv(kWordsFontPoints, kDesignDpi * scale, 72);
  return CreateFontIndirectW(&metrics.lfMessageFont);
}
