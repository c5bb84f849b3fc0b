// The committed art must be exactly what the generator draws today: a change to
// the drawing code without regenerating, or a generator that depends on
// anything but its code, fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/scratch_dir.h"
#include "whole_file.h"

namespace {

const std::vector<std::string> kOutputs = {
    "about_161.bmp", "about_162.bmp", "about_163.bmp", "about_165.wav", "glimmer.ico",
    "peek_101.bmp",  "peek_102.bmp",  "peek_103.bmp",  "peek_104.bmp",
};

int RunGenerator(const std::string& outDir) {
  return std::system(("'" + std::string(PEEKER_ART_TOOL) + "' '" + outDir + "' 2>/dev/null").c_str());
}

TEST(PeekerArtGenerator, RedrawsTheCommittedFilesByteForByte) {
  ScratchDir scratch;
  ASSERT_EQ(RunGenerator(scratch.path()), 0);
  std::vector<std::string> written = scratch.List();
  std::sort(written.begin(), written.end());
  EXPECT_EQ(written, kOutputs);
  for (const std::string& name : kOutputs) {
    SCOPED_TRACE(name);
    bool committed = false, fresh = false;
    std::string expected = ReadWholeFile<std::string>(std::string(PEEKER_RES_DIR) + "/" + name, &committed);
    std::string actual = ReadWholeFile<std::string>(scratch.File(name), &fresh);
    ASSERT_TRUE(committed);
    ASSERT_TRUE(fresh);
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_TRUE(actual == expected) << "regenerate peeker/res with make-peeker-art";
  }
}

TEST(PeekerArtGenerator, FailsWhenItCannotWrite) {
  ScratchDir scratch;
  EXPECT_NE(RunGenerator(scratch.File("missing")), 0);
}

}  // namespace
