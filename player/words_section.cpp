#include "words_section.h"

#include "payload_locator.h"

int ReadWords(const PathChar* path, wchar_t* words, int capacity) {
  const int32_t length = FindSection(path, TEXT_SECTION_MARKER);
  int units = 0;
  if (length > 0 && length <= kMaxWordsBytes) {
    SectionBlock block(length);
    if (ReadSection(&block.reader)) {
      char* bytes = reinterpret_cast<char*>(const_cast<uint8_t*>(block.reader.data));
      for (int32_t i = 0; i < length; i++) bytes[i] = static_cast<char>(bytes[i] ^ kTextSectionFlip);
      units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, length, words, capacity);
    }
  }
  ClosePayloadFile();
  return units;
}
