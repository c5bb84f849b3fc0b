// Whole files and little-endian fields, which every host program, tool and test
// reads and writes through.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "byte_writer.h"
#include "support/scratch_dir.h"
#include "whole_file.h"

namespace {

TEST(WholeFile, WritesItsPiecesBackToBackAndReadsThemAsEitherContainer) {
  ScratchDir dir;
  const std::string path = dir.File("pieces.bin");
  const std::vector<uint8_t> head = {0x00, 0xFF, 0x80};
  const std::string middle("\0middle\xFE", 8);
  const std::string nothing;
  const char tail[] = {'t', 'a', 'i', 'l'};
  ASSERT_TRUE(WriteWholeFile(path, {head, nothing, middle, ByteView(tail, sizeof tail)}));

  const std::string expected = std::string("\0\xFF\x80", 3) + middle + "tail";
  bool read = false;
  EXPECT_EQ(ReadWholeFile<std::string>(path, &read), expected);
  EXPECT_TRUE(read);
  EXPECT_EQ(ReadWholeFile(path), std::vector<uint8_t>(expected.begin(), expected.end()));

  // A shorter file in its place leaves nothing of the longer one behind.
  ASSERT_TRUE(WriteWholeFile(path, std::string("new")));
  EXPECT_EQ(ReadWholeFile<std::string>(path), "new");
  ASSERT_TRUE(WriteWholeFile(path, nothing));
  EXPECT_EQ(ReadWholeFile<std::string>(path, &read), "");
  EXPECT_TRUE(read) << "an empty file is still read";
}

TEST(WholeFile, FailsWithErrnoTellingWhy) {
  ScratchDir dir;
  bool read = true;
  errno = 0;
  EXPECT_EQ(ReadWholeFile<std::string>(dir.File("missing.bin"), &read), "");
  EXPECT_FALSE(read);
  EXPECT_EQ(errno, ENOENT);

  errno = 0;
  EXPECT_FALSE(WriteWholeFile(dir.File("missing") + "/file.bin", std::string("bytes")));
  EXPECT_EQ(errno, ENOENT);
}

TEST(ByteWriter, PutsFieldsLowByteFirstIntoStringsAndVectors) {
  std::string text;
  PutU8(&text, 0x1FE);
  PutU16(&text, 0x1ABCD);
  PutU32(&text, 0x89ABCDEF);
  EXPECT_EQ(text, std::string("\xFE\xCD\xAB\xEF\xCD\xAB\x89", 7));

  std::vector<uint8_t> bytes;
  PutU16(&bytes, 0xFFFF);
  PutU32(&bytes, 0x01020304);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01}));
}

}  // namespace
