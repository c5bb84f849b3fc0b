// Writes giflib's decoding of each GIF named on the command line beside it, as
// NAME.idx, for test builds that cannot link giflib.
#include <cstdio>
#include <string>

#include "gif_reference.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; i++) {
    const std::string path = argv[i];
    ReferenceGif gif;
    std::string error;
    if (!LoadWithGiflib(path, &gif, &error)) {
      std::fprintf(stderr, "%s: giflib cannot read it: %s\n", path.c_str(), error.c_str());
      return 1;
    }
    const std::string dump = path.substr(0, path.rfind('.')) + ".idx";
    if (!WriteDump(dump, gif)) {
      std::fprintf(stderr, "%s: cannot write\n", dump.c_str());
      return 1;
    }
  }
  return 0;
}
