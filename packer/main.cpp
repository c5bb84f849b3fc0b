// loopvue-pack: makes a playable greeting from the player, a GIF animation and an
// optional MIDI song, after checking that the player can show the animation; or,
// with --web, the same greeting as one web page.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <windows.h>

#include "system_dlls.h"
#else
#include <sys/stat.h>
#endif

#include "flatten_need.h"
#include "frame_step.h"
#include "gif_flattener.h"
#include "gif_parser.h"
#include "greeting_files.h"
#include "greeting_rules.h"
#include "greeting_words.h"
#include "native_path.h"
#include "web_page.h"
#include "whole_file.h"

namespace {

const char kVersion[] = "1.0";
const char kUsage[] =
    "usage: loopvue-pack [--flatten [--dither]] [--midi SONG.mid] [--message TEXT | --message-file FILE]\n"
    "                    [--player PATH] [--preview DIR] ANIMATION.gif -o GREETING.exe\n"
    "       loopvue-pack --web [--flatten [--dither]] [--midi SONG.mid] [--message TEXT | --message-file FILE]\n"
    "                    ANIMATION.gif -o PAGE.html\n"
    "\n"
    "Appends the animation (and the song) to a copy of the player, making a greeting\n"
    "that plays by itself. The animation must be a GIF with a global colour table\n"
    "and no local colour tables; the player lays every frame opaquely onto its\n"
    "canvas, so transparency and disposal methods have no effect. --flatten first\n"
    "turns any GIF into one the player shows as a web browser shows the original.\n"
    "--web writes the greeting as one web page that any browser plays offline,\n"
    "after the same checks.\n"
    "\n"
    "  -o, --output FILE   the greeting to write\n"
    "  --flatten           render the frames with their transparency, disposal and\n"
    "                      colour tables, and pack them as opaque frames through one\n"
    "                      global table (reduced to 256 colours when there are more)\n"
    "  --dither            with --flatten, diffuse the error when colours are reduced\n"
    "  --midi FILE         a Standard MIDI File to play once at start\n"
    "  --message TEXT      the sender's words, shown under the animation and as its\n"
    "                      title (at most 1,000 characters)\n"
    "  --message-file FILE the words from a UTF-8 text file\n"
    "  --player FILE       the player to copy (default: loopvue.exe beside this program)\n"
    "  --web               write a web page (PAGE.html) instead; it needs no player, and\n"
    "                      an animation with transparency or disposal is flattened\n"
    "                      for it, so that it shows the frames the player would show\n"
    "  --preview DIR       also write what the player will show after each frame,\n"
    "                      as DIR/frame-0000.ppm, ... and list the frames\n"
    "  -h, --help          show this help\n"
    "  --version           show the version\n";

struct Options {
  std::string gif, midi, player, output, preview;
  std::string words;  // normalised
  bool flatten = false, dither = false, web = false;
};

// Writes a line of UTF-8 text. A Windows console shows it through the wide
// console call, so that names in any script stay legible whatever its code
// page; a file or a pipe gets the UTF-8 bytes.
void Say(FILE* stream, const std::string& line) {
#ifdef _WIN32
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    std::fflush(stream);
    const WideText wide = Utf16(line + "\n");
    DWORD written = 0;
    WriteConsoleW(handle, wide.c_str(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
#endif
  std::fputs((line + "\n").c_str(), stream);
}

[[noreturn]] void Fail(const std::string& message) {
  Say(stderr, "loopvue-pack: " + message);
  std::exit(1);
}

void Warn(const std::string& file, const std::string& message) {
  Say(stderr, "loopvue-pack: warning: " + file + ": " + message);
}

int MakeDirectory(const std::string& path) {
#ifdef _WIN32
  return _wmkdir(NativePath(path).c_str());
#else
  return mkdir(path.c_str(), 0777);
#endif
}

std::vector<uint8_t> ReadInput(const std::string& path) {
  bool read = false;
  std::vector<uint8_t> bytes = ReadWholeFile(path, &read);
  if (!read) Fail(path + ": cannot read it: " + std::strerror(errno));
  return bytes;
}

// Prints the refusals and ends, or prints the warnings once. Which findings
// refuse is the codes' to say.
void Report(Verdict* verdict) {
  for (const VerdictEntry& refusal : verdict->refusals) Say(stderr, "loopvue-pack: " + refusal.message());
  if (!verdict->accepted()) std::exit(1);
  for (const VerdictEntry& warning : verdict->warnings) Say(stderr, "loopvue-pack: warning: " + warning.message());
  verdict->warnings.clear();
}

std::string DefaultPlayer(const std::string& self) {
  size_t slash = self.find_last_of("/\\");
  return (slash == std::string::npos ? std::string() : self.substr(0, slash + 1)) + "loopvue.exe";
}

Options ParseArguments(const std::vector<std::string>& argv) {
  Options options;
  const char* messageFrom = nullptr;  // the option that gave the words
  const size_t argc = argv.size();
  for (size_t i = 1; i < argc; i++) {
    const std::string arg = argv[i];
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
    } else if (arg == "--message" || arg == "--message-file") {
      if (messageFrom) Fail(std::string("more than one message given (") + messageFrom + ", " + arg + ")");
      messageFrom = argv[i].c_str();
      const std::string given = value();
      std::string text = given;
      if (arg == "--message-file") {
        bool read = false;
        text = ReadWholeFile<std::string>(given, &read);
        if (!read) Fail(given + ": cannot read it: " + std::strerror(errno));
      }
      options.words = NormalisedWords(text);
      const std::string refusal = WordsRefusal(options.words);
      if (!refusal.empty()) Fail((arg == "--message" ? arg : given) + ": " + refusal);
    } else if (arg == "--player") {
      options.player = value();
    } else if (arg == "--preview") {
      options.preview = value();
    } else if (arg == "--flatten") {
      options.flatten = true;
    } else if (arg == "--dither") {
      options.dither = true;
    } else if (arg == "--web") {
      options.web = true;
    } else if (!arg.empty() && arg[0] == '-') {
      Fail("unknown option " + arg + "\n" + kUsage);
    } else if (options.gif.empty()) {
      options.gif = arg;
    } else {
      Fail("more than one animation given (" + options.gif + ", " + arg + ")");
    }
  }
  if (options.gif.empty()) Fail(std::string("no animation given\n") + kUsage);
  if (options.output.empty()) {
    Fail(std::string("no output given (-o ") + (options.web ? "PAGE.html" : "GREETING.exe") + ")\n" + kUsage);
  }
  if (options.dither && !options.flatten) Fail("--dither works only with --flatten");
  if (options.player.empty()) options.player = DefaultPlayer(argv[0]);
  return options;
}

bool WritePpm(const std::string& path, const IndexedBitmap& canvas, const uint32_t* colours) {
  std::string ppm = "P6\n" + std::to_string(canvas.width) + " " + std::to_string(canvas.height) + "\n255\n";
  ppm.reserve(ppm.size() + static_cast<size_t>(canvas.width) * canvas.height * 3);
  for (int32_t y = 0; y < canvas.height; y++) {
    const uint8_t* pixels = BitmapRowAddress(&canvas, 0, canvas.height - 1 - y);
    for (int32_t x = 0; x < canvas.width; x++) {
      uint32_t colour = colours[pixels[x]];
      ppm.push_back(static_cast<char>(colour & 0xFF));
      ppm.push_back(static_cast<char>(colour >> 8 & 0xFF));
      ppm.push_back(static_cast<char>(colour >> 16 & 0xFF));
    }
  }
  return WriteWholeFile(path, ppm);
}

// Writes the canvas after each frame, composited as the player does: opaquely,
// never cleared; pixels no frame has covered yet show colour 0, as in the player.
void WritePreview(const std::string& dir, GifAnimation* animation) {
  if (MakeDirectory(dir.c_str()) != 0 && errno != EEXIST) Fail(dir + ": cannot make the directory");
  IndexedBitmap canvas;
  CreateIndexedBitmap(&canvas, animation->width, animation->height);
  ClearIndexedBitmap(&canvas);
  int32_t shown = -1;
  for (int32_t i = 0; i < animation->frameCount; i++) {
    const GifFrame* frame = animation->frames[i];
    std::printf("frame %d: at %d,%d size %dx%d delay %d", i, frame->left, frame->top, frame->width, frame->height,
                frame->delay);
    if (StepFrame(*animation, &canvas, &shown).frame == nullptr) std::printf(" (no pixels; the player stops here)");
    std::printf("\n");
    char name[32];
    std::snprintf(name, sizeof name, "frame-%04d.ppm", i);
    std::string path = dir + "/" + name;
    if (!WritePpm(path, canvas, animation->colours)) Fail(path + ": cannot write it");
  }
  ReleaseIndexedBitmap(&canvas);
}

// The animation rendered and written again for the player, with a line saying
// what was done (and, after the file's name, `why` when it was not asked for).
std::vector<uint8_t> Flatten(const Options& options, const std::vector<uint8_t>& gif, const std::string& why = "") {
  FlattenResult result = FlattenGif(gif.data(), gif.size(), PlayerFlattenOptions(options.dither));
  if (!result.ok) Fail(options.gif + ": cannot flatten it: " + result.error);
  if (result.truncated) Warn(options.gif, "the file breaks off; the frames before the break are kept");
  std::string summary = "flattened " + options.gif + why + ": " + std::to_string(result.frames) + " frame(s) of " +
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
  if (result.writtenFrames > result.frames) {
    summary += "; written as " + std::to_string(result.writtenFrames) +
               " frames, long delays split for the player's timer";
  }
  Say(stdout, summary);
  return result.gif;
}

// Why a GIF the player would show with warnings is flattened for a page: a
// browser honours what the player ignores, so the page carries what the player
// shows with --flatten, and both show the same frames.
std::string WhyFlattenedForThePage(const FlattenNeed& need) {
  std::string cures;
  for (const std::string& cure : need.cures) cures += (cures.empty() ? "" : "; ") + cure;
  return " for the web page, as the player shows it with --flatten (" + cures + ")";
}

// The parts of a greeting from the arguments; the player's are the caller's.
GreetingParts PartsOf(const Options& options, const std::vector<uint8_t>& gif, const std::vector<uint8_t>& song,
                      bool flattened) {
  GreetingParts parts;
  parts.animationPath = options.gif;
  parts.animation = &gif;
  parts.flattened = flattened;
  parts.songPath = options.midi;
  if (!options.midi.empty()) parts.song = &song;
  parts.words = options.words;
  return parts;
}

// The sizes of the parts (of the player too, when `player` names one), then the
// animation read, flattened when asked, and checked into `animation`.
std::vector<uint8_t> CheckedAnimation(const Options& options, const PartSize& player, GifAnimation* animation,
                                      Verdict* verdict) {
  PartSize song{options.midi, FileSize(options.midi)};
  CheckPartSizes(player, PartSize{options.gif, FileSize(options.gif)}, options.midi.empty() ? nullptr : &song,
                 options.flatten, options.output, verdict);
  Report(verdict);
  std::vector<uint8_t> gif = ReadInput(options.gif);
  if (options.flatten) gif = Flatten(options, gif);
  CheckAnimation(options.gif, gif, options.flatten, animation, verdict);
  return gif;
}

// --web: the same checks, refusals and cures as a greeting from the same
// arguments, then the page instead of the player and its sections.
int PackPage(const Options& options) {
  Verdict verdict;
  static GifAnimation animation;
  // No player goes into a page, so there is no greeting's total to check.
  std::vector<uint8_t> gif = CheckedAnimation(options, PartSize{std::string(), -1}, &animation, &verdict);
  const FlattenNeed need = FindFlattenNeed(verdict);
  bool flattened = options.flatten;
  if (verdict.accepted() && !flattened && need.needed) {
    FreeGifAnimation(&animation);
    verdict = Verdict();
    gif = Flatten(options, gif, WhyFlattenedForThePage(need));
    flattened = true;
    CheckAnimation(options.gif, gif, true, &animation, &verdict);
  }
  Report(&verdict);

  std::vector<uint8_t> midi;
  if (!options.midi.empty()) {
    midi = ReadInput(options.midi);
    CheckSong(options.midi, midi, &verdict);
    Report(&verdict);
  }

  // Refused for what the player's lookup of a greeting's sections would refuse
  // the same parts for.
  std::string error;
  if (!CheckAsGreeting(PartsOf(options, gif, midi, flattened), options.output, &error)) Fail(error);
  if (!options.preview.empty()) WritePreview(options.preview, &animation);
  FreeGifAnimation(&animation);

  WebPageParts parts;
  parts.title = WebPageTitle(options.output, options.words);
  parts.animation = &gif;
  if (!options.midi.empty()) parts.song = &midi;
  parts.words = options.words;
  if (!WriteWebPage(parts, options.output, &error)) Fail(error);
  return 0;
}

int Pack(const std::vector<std::string>& argv) {
  Options options = ParseArguments(argv);
  if (options.web) return PackPage(options);

  // Sizes first: a part the player cannot take is refused before it is read.
  Verdict verdict;
  static GifAnimation animation;
  std::vector<uint8_t> gif =
      CheckedAnimation(options, PartSize{options.player, FileSize(options.player)}, &animation, &verdict);
  Report(&verdict);

  std::vector<uint8_t> midi;
  if (!options.midi.empty()) {
    midi = ReadInput(options.midi);
    CheckSong(options.midi, midi, &verdict);
  }

  bool playerRead = false;
  const std::vector<uint8_t> player = ReadWholeFile(options.player, &playerRead);
  if (!playerRead) {
    verdict.Add(VerdictCode::kPlayerUnreadable, options.player, "cannot read the player (give its path with --player)");
  } else {
    CheckPlayer(options.player, player, &verdict);
  }
  Report(&verdict);

  if (!options.preview.empty()) WritePreview(options.preview, &animation);
  FreeGifAnimation(&animation);

  GreetingParts parts = PartsOf(options, gif, midi, options.flatten);
  parts.playerPath = options.player;
  parts.player = &player;
  std::string error;
  if (!WriteGreeting(parts, options.output, &error)) Fail(error);
  return 0;
}

}  // namespace

// On Windows the arguments come wide, so that paths in any script arrive whole.
#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  KeepDllSearchToSystemFolder();
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; i++) arguments.push_back(Utf8(argv[i]));
  return Pack(arguments);
}
#else
int main(int argc, char** argv) { return Pack(std::vector<std::string>(argv, argv + argc)); }
#endif
