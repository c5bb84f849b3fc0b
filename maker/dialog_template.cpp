#include "dialog_template.h"

#include <cstring>

#include "display_scale.h"

namespace {

// The fixed header of an extended template: version, signature, help id, the
// styles, the item count and the rectangle.
const size_t kHeaderBytes = 26;
const size_t kStyleAt = 12;
const WORD kExtendedVersion = 1, kExtendedSignature = 0xFFFF;
// A name field: none, an ordinal behind this mark, or a string.
const WORD kOrdinalMark = 0xFFFF;

class TemplateReader {
 public:
  TemplateReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
  bool ok() const { return ok_; }
  size_t at() const { return at_; }
  WORD Word() {
    if (at_ + 2 > size_) {
      ok_ = false;
      return 0;
    }
    WORD word;
    std::memcpy(&word, bytes_ + at_, 2);
    at_ += 2;
    return word;
  }
  void Skip(size_t bytes) {
    at_ += bytes;
    ok_ = ok_ && at_ <= size_;
  }
  void SkipString() {
    while (ok_ && Word() != 0) {
    }
  }
  void SkipNameOrOrdinal() {
    const WORD first = Word();
    if (first == kOrdinalMark) Skip(2);
    else if (first != 0) SkipString();
  }

 private:
  const uint8_t* bytes_;
  size_t size_;
  size_t at_ = 0;
  bool ok_ = true;
};

void Put(std::vector<uint8_t>* out, const void* data, size_t bytes) {
  const uint8_t* from = static_cast<const uint8_t*>(data);
  out->insert(out->end(), from, from + bytes);
}

}  // namespace

LOGFONTW MessageFont() {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return metrics.lfMessageFont;
  // What the template was drawn with.
  LOGFONTW shell = {};
  shell.lfHeight = -MulDiv(8, static_cast<int>(SystemDpi()), 72);
  shell.lfWeight = FW_NORMAL;
  lstrcpyW(shell.lfFaceName, L"MS Shell Dlg");
  return shell;
}

std::vector<uint8_t> WithFont(const uint8_t* dialog, size_t size, const LOGFONTW& font, UINT dpi) {
  std::vector<uint8_t> as(dialog, dialog + size);
  TemplateReader reader(dialog, size);
  DWORD style = 0;
  if (size >= kHeaderBytes) std::memcpy(&style, dialog + kStyleAt, sizeof style);
  if (reader.Word() != kExtendedVersion || reader.Word() != kExtendedSignature || !(style & DS_SETFONT)) return as;
  reader.Skip(kHeaderBytes - 4);
  reader.SkipNameOrOrdinal();  // the menu
  reader.SkipNameOrOrdinal();  // the class
  reader.SkipString();         // the caption
  const size_t fontAt = reader.at();
  reader.Skip(6);  // size, weight, italic and character set
  reader.SkipString();
  // The controls each start on a 4-byte boundary.
  const size_t itemsAt = (reader.at() + 3) & ~size_t{3};
  if (!reader.ok() || itemsAt > size) return as;

  std::vector<uint8_t> out(dialog, dialog + fontAt);
  const int height = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
  const WORD points = static_cast<WORD>(MulDiv(height, 72, static_cast<int>(dpi)));
  const WORD weight = static_cast<WORD>(font.lfWeight);
  const BYTE italic = font.lfItalic, charset = font.lfCharSet;
  Put(&out, &points, 2);
  Put(&out, &weight, 2);
  Put(&out, &italic, 1);
  Put(&out, &charset, 1);
  Put(&out, font.lfFaceName, (lstrlenW(font.lfFaceName) + 1) * sizeof(wchar_t));
  out.resize((out.size() + 3) & ~size_t{3}, 0);
  Put(&out, dialog + itemsAt, size - itemsAt);
  return out;
}

std::vector<uint8_t> TemplateInMessageFont(HINSTANCE instance, int id) {
  HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_DIALOG));
  HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
  const uint8_t* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  if (bytes == nullptr) return {};
  return WithFont(bytes, SizeofResource(instance, found), MessageFont(), SystemDpi());
}
