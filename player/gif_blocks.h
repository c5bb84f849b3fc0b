// The markers, labels and packed-byte fields of a GIF stream, named once for
// everything that reads or writes GIF blocks: the player's parser, the packer,
// and the writers and readers of the tests and benchmarks.
#pragma once

#include <cstdint>

// Sizes of the fixed parts at the start of the stream.
const int kGifSignatureSize = 6;         // "GIF87a" or "GIF89a"
const int kGifScreenDescriptorSize = 7;  // width, height, packed, background, aspect
const int kGifImageDescriptorSize = 9;   // after the introducer: left, top, width, height, packed

// What opens each block after the logical screen.
const uint8_t kGifExtensionIntroducer = 0x21;
const uint8_t kGifImageIntroducer = 0x2C;
const uint8_t kGifTrailer = 0x3B;

// The label after the extension introducer.
const uint8_t kGifPlainTextLabel = 0x01;
const uint8_t kGifGraphicControlLabel = 0xF9;
const uint8_t kGifCommentLabel = 0xFE;
const uint8_t kGifApplicationLabel = 0xFF;

// The packed byte of the logical screen descriptor and of an image descriptor.
const uint8_t kGifColourTableFlag = 0x80;  // a global or local colour table follows
const uint8_t kGifColourResolution = 0x70; // screen only: 8 bits per primary
const uint8_t kGifInterlaceFlag = 0x40;    // image only: rows come in four passes
const uint8_t kGifTableSizeMask = 0x07;    // n: the table holds 2^(n+1) entries
// The largest colour table a GIF can declare.
const int kGifMaxColours = 256;

// An interlaced image's rows come in four passes: each pass's first row, and the
// rows between two of its rows.
const int kGifInterlacePasses = 4;
const int kGifPassStart[kGifInterlacePasses] = {0, 4, 2, 1};
const int kGifPassStep[kGifInterlacePasses] = {8, 8, 4, 2};

// The graphic control extension: one sub-block of packed byte, delay and
// transparent index.
const uint8_t kGifGraphicControlSize = 4;
const int kGifDisposalShift = 2;
const uint8_t kGifDisposalMask = 0x07;  // after the shift
const uint8_t kGifTransparentFlag = 0x01;
// Disposal methods: what becomes of a frame's area before the next frame.
const int kGifDisposalUnspecified = 0;
const int kGifDoNotDispose = 1;
const int kGifRestoreBackground = 2;
const int kGifRestorePrevious = 3;

// The application extension viewers read a loop count from: its identifier
// and authentication code, then a sub-block of its id and a 16-bit count, 0
// for ever.
const char kGifLoopingApplication[] = "NETSCAPE2.0";
const uint8_t kGifLoopingApplicationSize = 11;
const uint8_t kGifLoopSubBlockSize = 3;
const uint8_t kGifLoopSubBlockId = 1;

// Data sub-blocks: a length byte of up to 255, a zero length to end them.
const int kGifMaxSubBlockSize = 255;
const uint8_t kGifBlockTerminator = 0x00;

// LZW codes are at most 12 bits wide, so a string table holds at most 4096 codes.
const int kGifMaxCodeSize = 12;
const int kGifMaxCodes = 1 << kGifMaxCodeSize;
// The smallest minimum code size a writer gives, two-colour images included.
const int kGifMinCodeSize = 2;
