// Finds the marked sections appended to the player's own executable file, reads
// them into memory and writes the music section to the temporary music file.
//
// A section is '*', its name, ':', a 32-bit little-endian length N and N bytes.
#pragma once

#include <cstdint>

#include "byte_reader.h"
#include "platform.h"

// The markers are stored behind three dashes so that the complete sequence
// (asterisk, name, colon) never stands in the player's own image; matching starts
// at the fourth character.
#define GIF_SECTION_MARKER "---GIF_BEGINS_HERE"
#define MIDI_SECTION_MARKER "---MIDI_BEGINS_HERE"
// The sender's words, UTF-8 with every byte exclusive-or kTextSectionFlip: ASCII
// goes above 0x7F, and a lead byte that turns into a letter is always followed
// by a continuation byte that turns into a digit, a sign or a control character.
// No two letters stand in a row, so no words can ever read as a marker. Written
// after the other sections.
#define TEXT_SECTION_MARKER "---TEXT_BEGINS_HERE"
const uint8_t kTextSectionFlip = 0x80;
const int kMarkerGuardLength = 3;

// The section's name in a stored marker: what follows the dashes.
inline const char* MarkerName(const char* marker) { return marker + kMarkerGuardLength; }

// Characters of each; the scan reads kScanChunkBytes into pathBuffer at a time.
const int kPathBufferSize = 4096;
const int kMusicPathSize = 256;
const int kScanChunkBytes = 4096;

// The module path, filled at start-up; also the marker scan's read buffer, so a
// scan overwrites the path.
extern PathChar pathBuffer[kPathBufferSize];
// The file opened by the latest FindSection: 0 or INVALID_HANDLE_VALUE when none.
extern HANDLE payloadFile;
// Bytes the scan has delivered since the file was opened: the file offset of the
// next byte.
extern int32_t scanBytesConsumed;
// The temporary music file's path; empty when none was written.
extern PathChar musicPath[kMusicPathSize];
// The music file held open for reading while the greeting runs, so that no
// other greeting writes over it; 0 when none is held.
extern HANDLE musicGuard;

// Opens `path` into payloadFile and scans it for the marker. Returns the section's
// length with the file at its first data byte; 0 when the file does not open, the
// marker is absent, the length field is cut short or the length is 2^31 or more;
// -1 when reading the length fails. The file stays open for the caller to close.
int32_t FindSection(const PathChar* path, const char* marker);

// Reads exactly reader->size bytes from payloadFile into reader->data.
bool ReadSection(ByteReader* reader);

// Copies the music section of `path` to "loopvue.mid" in TEMP (else the Windows
// directory) and names it in musicPath; closes payloadFile. While another
// greeting holds "loopvue.mid", the song goes to "loopvue-2.mid", "-3" and so
// on in the same folder. The file written stays held (musicGuard).
void ExtractMusic(const PathChar* path, const char* marker);

// Lets go of the music file and deletes it, when musicPath names one.
void DeleteMusicFile();

// Closes payloadFile if it is open and sets it to 0.
void ClosePayloadFile();
