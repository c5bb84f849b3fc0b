// Treats arbitrary bytes as the player's own executable file: looks up both
// sections, reads them, and extracts the music to TEMP, as the player does at
// start. Every result is compared with a plain scan of the bytes in memory, so
// the buffered file scan (refills, the seek back after the marker, the length
// field) is checked as well as kept inside its memory.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "byte_reader.h"
#include "payload_locator.h"
#include "whole_file.h"


namespace {

// Where a section should be found: its length field's value (0 when the player
// must report none) and the offset of its first data byte.
struct ExpectedSection {
  int32_t length = 0;
  size_t dataOffset = 0;
};

// The lookup's rules over bytes in memory: the first '*' + name + ':' counts;
// a byte that breaks a partial match is used up, never taken as a new '*'.
ExpectedSection ScanBytes(const uint8_t* data, size_t size, const char* marker) {
  const char* name = MarkerName(marker);
  const size_t nameLength = std::strlen(name);
  size_t i = 0;
  for (;;) {
    while (i < size && data[i] != '*') i++;
    if (i >= size) return {};
    i++;
    size_t matched = 0;
    while (matched < nameLength && i < size && data[i] == static_cast<uint8_t>(name[matched])) {
      i++;
      matched++;
    }
    if (matched < nameLength) {
      if (i >= size) return {};
      i++;  // the byte that broke the match
      continue;
    }
    if (i >= size) return {};
    if (data[i++] == ':') break;
  }
  if (size - i < 4) return {};
  const uint32_t length = data[i] | data[i + 1] << 8 | data[i + 2] << 16 | static_cast<uint32_t>(data[i + 3]) << 24;
  if (length > 0x7FFFFFFFu) return {};
  return {static_cast<int32_t>(length), i + 4};
}

bool Readable(const ExpectedSection& section, size_t size) {
  return section.length > 0 && static_cast<size_t>(section.length) <= size - section.dataOffset;
}

std::string workDir;
std::string payloadPath;

void RemoveWorkDir() {
  std::remove(payloadPath.c_str());
  rmdir((workDir + "/temp").c_str());
  rmdir(workDir.c_str());
}

void LookUpAndRead(const uint8_t* data, size_t size, const char* marker) {
  const ExpectedSection expected = ScanBytes(data, size, marker);
  const int32_t length = FindSection(payloadPath.c_str(), marker);
  FUZZ_CHECK(length == expected.length);
  if (length > 0) {
    // A length field can ask for up to 2 GiB, which this build's allocator refuses
    // (refusing_allocator.h). A block one byte longer than the rest of the file
    // takes the short read the player takes when it does get the whole block.
    const size_t rest = size - expected.dataOffset;
    SectionBlock block(static_cast<size_t>(length) <= rest ? length : static_cast<int32_t>(rest + 1));
    FUZZ_CHECK(block.reader.data != nullptr);
    const bool read = ReadSection(&block.reader);
    FUZZ_CHECK(read == Readable(expected, size));
    if (read) FUZZ_CHECK(std::memcmp(block.reader.data, data + expected.dataOffset, length) == 0);
  }
  ClosePayloadFile();
  FUZZ_CHECK(payloadFile == nullptr);
}

}  // namespace

// Every run opens the file four times, and each stream takes a fresh buffer. A
// small quarantine lets freed buffers come back while their pages are still
// mapped; with the default one, page faults take more time than the runs. A run
// frees little, so use after free is still caught within it.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The input is rewritten on every run: in memory, not on a disk where each
  // rewrite truncates and discards blocks and takes ten times as long.
  const char* tmp = std::getenv("TMPDIR");
  std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : tmp && *tmp ? tmp : "/tmp";
  std::string pattern = base + "/payload-fuzz-XXXXXX";
  FUZZ_CHECK(mkdtemp(&pattern[0]) != nullptr);
  workDir = pattern;
  payloadPath = workDir + "/loopvue.exe";
  // The music file is TEMP joined with the Windows separator. Natively that names
  // a file "temp\loopvue.mid" beside temp/, still inside the work directory.
  FUZZ_CHECK(mkdir((workDir + "/temp").c_str(), 0700) == 0);
  FUZZ_CHECK(setenv("TEMP", (workDir + "/temp").c_str(), 1) == 0);
  std::atexit(RemoveWorkDir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FUZZ_CHECK(WriteWholeFile(payloadPath, ByteView(data, size)));
  LookUpAndRead(data, size, GIF_SECTION_MARKER);
  LookUpAndRead(data, size, MIDI_SECTION_MARKER);

  const ExpectedSection music = ScanBytes(data, size, MIDI_SECTION_MARKER);
  musicPath[0] = '\0';
  ExtractMusic(payloadPath.c_str(), MIDI_SECTION_MARKER);
  FUZZ_CHECK(payloadFile == nullptr);
  if (!Readable(music, size)) {
    FUZZ_CHECK(musicPath[0] == '\0');
    return 0;
  }
  FUZZ_CHECK(musicPath[0] != '\0');
  FUZZ_CHECK(std::strncmp(musicPath, workDir.c_str(), workDir.size()) == 0);
  bool exists = false;
  const std::string written = ReadWholeFile<std::string>(musicPath, &exists);
  FUZZ_CHECK(exists);
  FUZZ_CHECK(written.size() == static_cast<size_t>(music.length));
  FUZZ_CHECK(std::memcmp(written.data(), data + music.dataOffset, written.size()) == 0);
  // The song file is held while the greeting runs; letting go removes it.
  FUZZ_CHECK(musicGuard != nullptr);
  DeleteMusicFile();
  FUZZ_CHECK(musicGuard == nullptr);
  FUZZ_CHECK(access(musicPath, F_OK) != 0);
  return 0;
}
