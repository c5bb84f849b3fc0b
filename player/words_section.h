// The sender's words, read from their section of the greeting's own file.
#pragma once

#include "platform.h"

// UTF-8 bytes a section of words may hold: 1,000 code points of 4 bytes at most.
const int kMaxWordsBytes = 4000;

// Reads the words section of `path` into `words` as UTF-16 and closes the
// payload file. Returns the code units written; 0 when there are no words, or
// when they are longer than kMaxWordsBytes, not UTF-8 or do not fit `capacity`.
// The scan overwrites pathBuffer.
int ReadWords(const PathChar* path, wchar_t* words, int capacity);
