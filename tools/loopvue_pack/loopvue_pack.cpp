// loopvue-pack: makes a playable greeting from the player, a GIF animation and an
// optional MIDI song, after checking that the player can show the animation.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <direct.h>
#include <process.h>
#include <windows.h>
#define getpid _getpid
#define MakeDirectory(path) _mkdir(path)
#else
#include <sys/stat.h>
#include <unistd.h>
#define MakeDirectory(path) mkdir(path, 0777)
#endif

#include "gif_flattener.h"
#include "gif_inspection.h"
#include "gif_parser.h"
#include "payload_locator.h"

namespace {

const char kVersion[] = "1.0";
const char kUsage[] =
    "usage: loopvue-pack [--flatten [--dither]] [--midi SONG.mid] [--player PATH] [--preview DIR]\n"
    "                    ANIMATION.gif -o GREETING.exe\n"
    "\n"
    "Appends the animation (and the song) to a copy of the player, making a greeting\n"
    "that plays by itself. The animation must be a GIF with a global colour table\n"
    "and no local colour tables; the player lays every frame opaquely onto its\n"
    "canvas, so transparency and disposal methods have no effect. --flatten first\n"
    "turns any GIF into one the player shows as a web browser shows the original.\n"
    "\n"
    "  -o, --output FILE   the greeting to write\n"
    "  --flatten           render the frames with their transparency, disposal and\n"
    "                      colour tables, and pack them as opaque frames through one\n"
    "                      global table (reduced to 256 colours when there are more)\n"
    "  --dither            with --flatten, diffuse the error when colours are reduced\n"
    "  --midi FILE         a Standard MIDI File to play once at start\n"
    "  --player FILE       the player to copy (default: loopvue.exe beside this program)\n"
    "  --preview DIR       also write what the player will show after each frame,\n"
    "                      as DIR/frame-0000.ppm, ... and list the frames\n"
    "  -h, --help          show this help\n"
    "  --version           show the version\n";

struct Options {
  std::string gif, midi, player, output, preview;
  bool flatten = false, dither = false;
};

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "loopvue-pack: %s\n", message.c_str());
  std::exit(1);
}

void Warn(const std::string& file, const std::string& message) {
  std::fprintf(stderr, "loopvue-pack: warning: %s: %s\n", file.c_str(), message.c_str());
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes->insert(bytes->end(), chunk, chunk + got);
  bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

std::vector<uint8_t> ReadInput(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (!ReadFile(path, &bytes)) Fail(path + ": cannot read it: " + std::strerror(errno));
  return bytes;
}

std::string DefaultPlayer(const char* argv0) {
  std::string self = argv0;
  size_t slash = self.find_last_of("/\\");
  return (slash == std::string::npos ? std::string() : self.substr(0, slash + 1)) + "loopvue.exe";
}

Options ParseArguments(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; i++) {
    std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Fail(arg + " needs a value\n" + kUsage);
      return argv[++i];
    };
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (arg == "--version") {
      std::printf("loopvue-pack %s\n", kVersion);
      std::exit(0);
    } else if (arg == "-o" || arg == "--output") {
      options.output = value();
    } else if (arg == "--midi") {
      options.midi = value();
    } else if (arg == "--player") {
      options.player = value();
    } else if (arg == "--preview") {
      options.preview = value();
    } else if (arg == "--flatten") {
      options.flatten = true;
    } else if (arg == "--dither") {
      options.dither = true;
    } else if (!arg.empty() && arg[0] == '-') {
      Fail("unknown option " + arg + "\n" + kUsage);
    } else if (options.gif.empty()) {
      options.gif = arg;
    } else {
      Fail("more than one animation given (" + options.gif + ", " + arg + ")");
    }
  }
  if (options.gif.empty()) Fail(std::string("no animation given\n") + kUsage);
  if (options.output.empty()) Fail(std::string("no output given (-o GREETING.exe)\n") + kUsage);
  if (options.dither && !options.flatten) Fail("--dither works only with --flatten");
  if (options.player.empty()) options.player = DefaultPlayer(argv[0]);
  return options;
}

// Refuses what the player cannot show and warns about what it ignores.
void CheckAnimation(const std::string& path, const std::vector<uint8_t>& bytes, const GifAnimation& animation) {
  GifInspection gif = InspectGif(bytes);
  if (!gif.signatureOk) Fail(path + ": not a GIF file (it does not start with GIF87a or GIF89a)");
  if (!gif.globalTable) {
    Fail(path + ": no global colour table; the player shows every frame through it (--flatten makes one)");
  }
  if (gif.framesWithLocalTable > 0) {
    Fail(path + ": " + std::to_string(gif.framesWithLocalTable) +
         " frame(s) have a local colour table, which the player cannot show (--flatten merges the tables)");
  }
  int32_t withPixels = 0;
  for (int32_t i = 0; i < animation.frameCount; i++) withPixels += animation.frames[i]->bitmap.pixels != nullptr;
  if (withPixels == 0) Fail(path + ": no frame with pixels that the player could show");
  IndexedBitmap probe;
  CreateIndexedBitmap(&probe, animation.width, animation.height);
  bool canvasOk = probe.pixels != nullptr;
  ReleaseIndexedBitmap(&probe);
  if (!canvasOk) {
    Fail(path + ": logical screen of " + std::to_string(animation.width) + " x " + std::to_string(animation.height) +
         " is too large for the player");
  }
  if (gif.framesWithTransparency > 0) {
    Warn(path, std::to_string(gif.framesWithTransparency) +
                   " frame(s) use a transparent colour, which the player ignores (it draws every pixel);"
                   " --flatten shows them as a browser does");
  }
  if (gif.framesWithDisposal > 0) {
    Warn(path, std::to_string(gif.framesWithDisposal) +
                   " frame(s) use a disposal method, which the player ignores (it never clears the canvas);"
                   " --flatten shows them as a browser does");
  }
  if (gif.framesWithZeroDelay > 0) {
    Warn(path, std::to_string(gif.framesWithZeroDelay) +
                   " frame(s) have a delay of 0; the player shows them for 10 ms");
  }
}

bool WritePpm(const std::string& path, const IndexedBitmap& canvas, const uint32_t* colours) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  std::fprintf(file, "P6\n%d %d\n255\n", canvas.width, canvas.height);
  std::vector<uint8_t> row(static_cast<size_t>(canvas.width) * 3);
  for (int32_t y = 0; y < canvas.height; y++) {
    const uint8_t* pixels = BitmapRowAddress(&canvas, 0, canvas.height - 1 - y);
    for (int32_t x = 0; x < canvas.width; x++) {
      uint32_t colour = colours[pixels[x]];
      row[3 * x] = static_cast<uint8_t>(colour);
      row[3 * x + 1] = static_cast<uint8_t>(colour >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(colour >> 16);
    }
    std::fwrite(row.data(), 1, row.size(), file);
  }
  return std::fclose(file) == 0;
}

// Writes the canvas after each frame, composited as the player does: opaquely,
// never cleared; pixels no frame has covered yet show colour 0, as in the player.
void WritePreview(const std::string& dir, GifAnimation* animation) {
  if (MakeDirectory(dir.c_str()) != 0 && errno != EEXIST) Fail(dir + ": cannot make the directory");
  IndexedBitmap canvas;
  CreateIndexedBitmap(&canvas, animation->width, animation->height);
  ClearIndexedBitmap(&canvas);
  for (int32_t i = 0; i < animation->frameCount; i++) {
    GifFrame* frame = animation->frames[i];
    RECT rect;
    std::printf("frame %d: at %d,%d size %dx%d delay %d", i, frame->left, frame->top, frame->width, frame->height,
                frame->delay);
    if (IndexedBitmap* bitmap = GetFrameRect(frame, &rect)) {
      CompositeBitmap(&canvas, bitmap, &rect, 0, 0, -1);
    } else {
      std::printf(" (no pixels; the player stops here)");
    }
    std::printf("\n");
    char name[32];
    std::snprintf(name, sizeof name, "frame-%04d.ppm", i);
    std::string path = dir + "/" + name;
    if (!WritePpm(path, canvas, animation->colours)) Fail(path + ": cannot write it");
  }
  ReleaseIndexedBitmap(&canvas);
}

// The animation rendered and written again for the player, with a line saying
// what was done.
std::vector<uint8_t> Flatten(const Options& options, const std::vector<uint8_t>& gif) {
  FlattenOptions flattenOptions;
  flattenOptions.dither = options.dither;
  FlattenResult result = FlattenGif(gif.data(), gif.size(), flattenOptions);
  if (!result.ok) Fail(options.gif + ": cannot flatten it: " + result.error);
  if (result.truncated) Warn(options.gif, "the file breaks off; the frames before the break are kept");
  std::string summary = "flattened " + options.gif + ": " + std::to_string(result.frames) + " frame(s) of " +
                        std::to_string(result.width) + " x " + std::to_string(result.height) + ", " +
                        std::to_string(result.sourceColours);
  if (result.exact) {
    summary += " colour(s), exact";
  } else {
    char error[32];
    std::snprintf(error, sizeof error, "%.2f", result.meanError);
    summary += " colours reduced to " + std::to_string(result.paletteColours) +
               (options.dither ? " with dithering" : "") + ", mean colour error " + error +
               " (mean Euclidean RGB distance per pixel, channels 0-255)";
  }
  std::printf("%s\n", summary.c_str());
  return result.gif;
}

void ReplaceFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
  bool ok = MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  bool ok = std::rename(from.c_str(), to.c_str()) == 0;
#endif
  if (!ok) {
    std::remove(from.c_str());
    Fail(to + ": cannot write it");
  }
}

void AppendSection(std::vector<uint8_t>* out, const char* name, const std::vector<uint8_t>& data) {
  // Built here rather than stored whole, so this program never carries a marker.
  out->push_back('*');
  out->insert(out->end(), name, name + std::strlen(name));
  out->push_back(':');
  uint32_t length = static_cast<uint32_t>(data.size());
  for (int i = 0; i < 4; i++) out->push_back(static_cast<uint8_t>(length >> (8 * i)));
  out->insert(out->end(), data.begin(), data.end());
}

}  // namespace

int main(int argc, char** argv) {
  Options options = ParseArguments(argc, argv);

  std::vector<uint8_t> gif = ReadInput(options.gif);
  if (gif.size() > 0x7FFFFFFFu) Fail(options.gif + ": too large");
  if (options.flatten) gif = Flatten(options, gif);
  static GifAnimation animation;
  ByteReader reader{gif.data(), static_cast<int32_t>(gif.size()), 0};
  ParseGif(&animation, &reader);
  CheckAnimation(options.gif, gif, animation);

  std::vector<uint8_t> midi;
  if (!options.midi.empty()) {
    midi = ReadInput(options.midi);
    if (midi.size() < 4 || std::memcmp(midi.data(), "MThd", 4) != 0) {
      Fail(options.midi + ": not a Standard MIDI File (it does not start with MThd)");
    }
  }

  std::vector<uint8_t> player;
  if (!ReadFile(options.player, &player)) {
    Fail(options.player + ": cannot read the player (give its path with --player)");
  }
  if (player.size() < 2 || player[0] != 'M' || player[1] != 'Z') Fail(options.player + ": not a Windows program");
  if (FindSection(options.player.c_str(), GIF_SECTION_MARKER) != 0) {
    ClosePayloadFile();
    Fail(options.player + ": already holds an animation; give the plain player");
  }
  ClosePayloadFile();

  if (!options.preview.empty()) WritePreview(options.preview, &animation);
  FreeGifAnimation(&animation);

  AppendSection(&player, "GIF_BEGINS_HERE", gif);
  if (!midi.empty()) AppendSection(&player, "MIDI_BEGINS_HERE", midi);

  // Never leave a partial greeting behind: write aside, then rename.
  std::string partial = options.output + ".partial-" + std::to_string(getpid());
  FILE* file = std::fopen(partial.c_str(), "wb");
  if (!file) Fail(options.output + ": cannot write it: " + std::strerror(errno));
  bool written = std::fwrite(player.data(), 1, player.size(), file) == player.size();
  written = (std::fclose(file) == 0) && written;
  if (!written) {
    std::remove(partial.c_str());
    Fail(options.output + ": cannot write it");
  }
  ReplaceFile(partial, options.output);
  return 0;
}
