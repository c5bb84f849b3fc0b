#include "payload_locator.h"

#include <cstring>

char pathBuffer[kPathBufferSize];
HANDLE payloadFile;
int32_t scanBytesConsumed;
char musicPath[kMusicPathSize];

namespace {

// The next byte of pathBuffer to deliver, and the bytes still unread there.
char* scanCursor;
int32_t scanBytesLeft;

const char kMusicFileName[] = "\\loopvue.mid";

bool PayloadFileOpen() { return payloadFile != nullptr && payloadFile != INVALID_HANDLE_VALUE; }

// Fills musicPath with the temporary directory: TEMP, or the Windows directory
// when TEMP is unset or empty. False when the directory leaves no room for the
// file name within musicPath.
bool ChooseMusicDirectory() {
  const DWORD room = kMusicPathSize - (sizeof kMusicFileName - 1);
  DWORD length = GetEnvironmentVariableA("TEMP", musicPath, kMusicPathSize);
  if (length == 0) {
    musicPath[0] = '\0';
    length = GetWindowsDirectoryA(musicPath, kMusicPathSize);
    if (length == 0) musicPath[0] = '\0';
  }
  if (length >= room) {
    musicPath[0] = '\0';
    return false;
  }
  return true;
}

// The next byte of payloadFile as 0-255, or -1 at the end of the file or on error.
int32_t NextScanByte() {
  if (scanBytesLeft <= 0) {
    DWORD got = 0;
    if (!ReadFile(payloadFile, pathBuffer, kPathBufferSize, &got, nullptr) || got == 0) return -1;
    scanCursor = pathBuffer;
    scanBytesLeft = static_cast<int32_t>(got);
  }
  int32_t byte = static_cast<uint8_t>(*scanCursor++);
  scanBytesLeft--;
  scanBytesConsumed++;
  return byte;
}

}  // namespace

int32_t FindSection(const char* path, const char* marker) {
  scanBytesConsumed = 0;
  scanBytesLeft = 0;
  payloadFile = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!PayloadFileOpen()) return 0;

  const char* name = marker + 3;
  for (;;) {
    int32_t byte = NextScanByte();
    if (byte < 0) return 0;
    if (byte != '*') continue;
    // A byte that breaks the match is consumed: it is never retried as an asterisk.
    const char* expected = name;
    while (*expected != '\0') {
      byte = NextScanByte();
      if (byte != static_cast<uint8_t>(*expected)) break;
      expected++;
    }
    if (*expected != '\0') continue;
    if (NextScanByte() == ':') break;
  }

  // The scan reads ahead; go back to the byte after the colon.
  SetFilePointer(payloadFile, scanBytesConsumed, nullptr, FILE_BEGIN);
  uint8_t field[4];
  DWORD got = 0;
  if (!ReadFile(payloadFile, field, sizeof field, &got, nullptr)) return -1;
  if (got < sizeof field) return 0;
  uint32_t length = field[0] | field[1] << 8 | field[2] << 16 | static_cast<uint32_t>(field[3]) << 24;
  // Lengths of 2^31 and more do not fit the signed sizes used for blocks.
  if (length > 0x7FFFFFFFu) return 0;
  return static_cast<int32_t>(length);
}

bool ReadSection(ByteReader* reader) {
  if (reader->data == nullptr || reader->size <= 0) return false;
  DWORD got = 0;
  BOOL ok = ReadFile(payloadFile, const_cast<uint8_t*>(reader->data), static_cast<DWORD>(reader->size),
                     &got, nullptr);
  return ok && got == static_cast<DWORD>(reader->size);
}

void ClosePayloadFile() {
  if (PayloadFileOpen()) CloseHandle(payloadFile);
  payloadFile = nullptr;
}

void ExtractMusic(const char* path, const char* marker) {
  int32_t length = FindSection(path, marker);
  if (length > 0) {
    SectionBlock block(length);
    if (ReadSection(&block.reader) && ChooseMusicDirectory()) {
      std::strcat(musicPath, kMusicFileName);
      HANDLE file = CreateFileA(musicPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, block.reader.data, static_cast<DWORD>(length), &written, nullptr);
        CloseHandle(file);
      }
    }
  }
  ClosePayloadFile();
}
