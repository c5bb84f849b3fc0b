#include "native_path.h"

#ifdef _WIN32
#include <windows.h>

WideText::WideText(const std::string& utf8) {
  const int size = static_cast<int>(utf8.size());
  const int length = size > 0 ? MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0) : 0;
  chars_.resize(static_cast<size_t>(length) + 1, L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, chars_.data(), length);
}

std::string Utf8(const wchar_t* utf16) {
  std::string utf8;
  const int length = WideCharToMultiByte(CP_UTF8, 0, utf16, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return utf8;
  utf8.resize(static_cast<size_t>(length));
  WideCharToMultiByte(CP_UTF8, 0, utf16, -1, &utf8[0], length, nullptr, nullptr);
  utf8.pop_back();  // the terminator
  return utf8;
}
#endif
