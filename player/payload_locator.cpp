#include "payload_locator.h"

PathChar pathBuffer[kPathBufferSize];
HANDLE payloadFile;
int32_t scanBytesConsumed;
PathChar musicPath[kMusicPathSize];
HANDLE musicGuard;

namespace {

static_assert(kScanChunkBytes <= sizeof pathBuffer, "the scan reads into the path's storage");

// The next byte of pathBuffer to deliver, and the bytes still unread there.
uint8_t* scanCursor;
int32_t scanBytesLeft;

const PathChar kMusicFileName[] = PATH_TEXT("\\loopvue");
const PathChar kMusicExtension[] = PATH_TEXT(".mid");
// The names tried while others are held: loopvue.mid, loopvue-2.mid, ...
const int kMusicFileNames = 16;

bool PayloadFileOpen() { return payloadFile != nullptr && payloadFile != INVALID_HANDLE_VALUE; }

int PathLength(const PathChar* text) {
  int length = 0;
  while (text[length] != 0) length++;
  return length;
}

// Appends `text` to musicPath, which holds `length` characters; false, with
// musicPath unchanged, when it would not fit with its terminator.
bool AppendToMusicPath(int* length, const PathChar* text) {
  const int more = PathLength(text);
  if (*length + more >= kMusicPathSize) return false;
  for (int i = 0; i <= more; i++) musicPath[*length + i] = text[i];
  *length += more;
  return true;
}

// musicPath cut to the folder's `folder` characters and the n-th name added:
// loopvue.mid for the first, loopvue-n.mid after it. False when it does not fit.
bool NameMusicFile(int folder, int n) {
  static_assert(kMusicFileNames < 100, "two digits at most");
  PathChar suffix[4];
  int at = 0;
  if (n > 1) {
    suffix[at++] = '-';
    if (n >= 10) suffix[at++] = static_cast<PathChar>('0' + n / 10);
    suffix[at++] = static_cast<PathChar>('0' + n % 10);
  }
  suffix[at] = 0;
  int length = folder;
  musicPath[folder] = 0;
  if (AppendToMusicPath(&length, kMusicFileName) && AppendToMusicPath(&length, suffix) &&
      AppendToMusicPath(&length, kMusicExtension))
    return true;
  musicPath[folder] = 0;
  return false;
}

// Fills musicPath with the temporary directory: TEMP, or the Windows directory
// when TEMP is unset or empty. False when the directory leaves no room for the
// file name within musicPath.
bool ChooseMusicDirectory() {
  const DWORD room = kMusicPathSize - (sizeof kMusicFileName / sizeof kMusicFileName[0] - 1) -
                     (sizeof kMusicExtension / sizeof kMusicExtension[0] - 1);
  DWORD length = GetEnvironmentVariableW(PATH_TEXT("TEMP"), musicPath, kMusicPathSize);
  if (length == 0) {
    musicPath[0] = 0;
    length = GetWindowsDirectoryW(musicPath, kMusicPathSize);
    if (length == 0) musicPath[0] = 0;
  }
  if (length >= room) {
    musicPath[0] = 0;
    return false;
  }
  return true;
}

// Writes the song to the first music file name in musicPath's folder that no
// other greeting holds, then holds it: readers such as the sequencer may open
// it, writers may not. A name that cannot be created for another reason is
// kept, as the one the sequencer will fail to open; when every name is held,
// none is kept, so the exit deletes nothing of another greeting's.
void WriteMusicFile(const ByteReader& song) {
  const int folder = PathLength(musicPath);
  for (int n = 1; n <= kMusicFileNames && NameMusicFile(folder, n); n++) {
    HANDLE file =
        CreateFileW(musicPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_SHARING_VIOLATION) continue;
      return;
    }
    DWORD written = 0;
    WriteFile(file, song.data, static_cast<DWORD>(song.size), &written, nullptr);
    CloseHandle(file);
    musicGuard = CreateFileW(musicPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (musicGuard == INVALID_HANDLE_VALUE) musicGuard = nullptr;
    return;
  }
  musicPath[0] = 0;
}

// The next byte of payloadFile as 0-255, or -1 at the end of the file or on error.
int32_t NextScanByte() {
  if (scanBytesLeft <= 0) {
    DWORD got = 0;
    if (!ReadFile(payloadFile, pathBuffer, kScanChunkBytes, &got, nullptr) || got == 0) return -1;
    scanCursor = reinterpret_cast<uint8_t*>(pathBuffer);
    scanBytesLeft = static_cast<int32_t>(got);
  }
  int32_t byte = *scanCursor++;
  scanBytesLeft--;
  scanBytesConsumed++;
  return byte;
}

}  // namespace

int32_t FindSection(const PathChar* path, const char* marker) {
  scanBytesConsumed = 0;
  scanBytesLeft = 0;
  payloadFile = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!PayloadFileOpen()) return 0;

  const char* name = MarkerName(marker);
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

void ExtractMusic(const PathChar* path, const char* marker) {
  int32_t length = FindSection(path, marker);
  if (length > 0) {
    SectionBlock block(length);
    if (ReadSection(&block.reader) && ChooseMusicDirectory()) WriteMusicFile(block.reader);
  }
  ClosePayloadFile();
}

void DeleteMusicFile() {
  if (musicGuard != nullptr) CloseHandle(musicGuard);
  musicGuard = nullptr;
  if (musicPath[0] != 0) DeleteFileW(musicPath);
}
