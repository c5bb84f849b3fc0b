// The work a person could otherwise wait on with a frozen window: reading,
// checking and flattening an animation, and writing a greeting. A job runs on
// a thread of its own and posts itself back to the window when it is done; one
// runs at a time, since the player's decoder and section lookup keep their
// state in globals.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "flatten_need.h"
#include "gif_flattener.h"
#include "gif_parser.h"
#include "greeting_files.h"

// What a job is doing, for the window to say while it waits.
enum JobPhase : LONG { kPhaseReading, kPhaseChecking, kPhaseFlattening, kPhaseSaving };

// An animation as the player parsed it, released with it.
class ParsedAnimation {
 public:
  ParsedAnimation() = default;
  ~ParsedAnimation() { FreeGifAnimation(&gif); }
  ParsedAnimation(const ParsedAnimation&) = delete;
  ParsedAnimation& operator=(const ParsedAnimation&) = delete;

  GifAnimation gif = {};
};

// An animation made ready for a greeting.
struct AnimationLoad {
  std::string path;
  bool dither = false;
  // The file as read. Given when the same animation is flattened again with
  // another setting, so that what is packed follows what was first read.
  std::vector<uint8_t> source;
  bool sourceGiven = false;

  // Empty when the animation can be packed; otherwise the reasons, one a line.
  std::string error;
  // What goes into the greeting: the file itself, or flattened.
  std::vector<uint8_t> packed;
  FlattenNeed need;
  FlattenResult flattening;  // its gif moved to `packed`
  // The packer's warnings that still hold, without the file's name.
  std::vector<std::string> notes;
  ParsedAnimation animation;
};

// A greeting written beside its place, then renamed: the .exe, or with `web`
// the web page.
struct GreetingSave {
  bool web = false;
  std::string output;
  std::string animationPath;
  std::vector<uint8_t> animation;
  bool flattened = false;
  std::string songPath;
  std::vector<uint8_t> song;
  bool withSong = false;
  std::string words;  // the sender's words, normalised; empty: none

  std::string error;  // empty when saved
  int64_t bytes = 0;  // the greeting's size once saved
};

class GreetingJob {
 public:
  GreetingJob() = default;
  ~GreetingJob();
  GreetingJob(const GreetingJob&) = delete;
  GreetingJob& operator=(const GreetingJob&) = delete;

  // Runs the load or the save on a new thread, then posts `doneMessage` to
  // `window` with this job as the LPARAM. False when no thread could start.
  bool Start(HWND window, UINT doneMessage);
  // Waits until the thread has ended.
  void Wait();
  JobPhase phase() const { return static_cast<JobPhase>(phase_); }

  // One of the two is the job.
  std::unique_ptr<AnimationLoad> load;
  std::unique_ptr<GreetingSave> save;

 private:
  static DWORD WINAPI ThreadMain(void* job);
  void Load();
  void Save();
  void SaveWebPage();
  GreetingParts PartsToSave() const;
  void SetPhase(JobPhase phase) { InterlockedExchange(&phase_, phase); }

  HANDLE thread_ = nullptr;
  // The starting thread's floating-point control word, which the job's thread
  // takes: a new thread starts with the system's (53-bit precision), not the one
  // the C runtime sets for the program's first thread, and the colour reduction
  // must round as the packer's does to write the same bytes.
  unsigned int floatControl_ = 0;
  HWND window_ = nullptr;
  UINT doneMessage_ = 0;
  volatile LONG phase_ = kPhaseReading;
};

// The player this program carries, copied into every greeting; empty when the
// program lacks it.
const std::vector<uint8_t>& CarriedPlayer();
