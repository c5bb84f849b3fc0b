#include "greeting_job.h"

#include <float.h>

#include <cerrno>
#include <cstring>

#include "greeting_files.h"
#include "whole_file.h"
#include "greeting_rules.h"
#include "resource.h"
#include "web_page.h"

GreetingJob::~GreetingJob() {
  Wait();
}

bool GreetingJob::Start(HWND window, UINT doneMessage) {
  window_ = window;
  doneMessage_ = doneMessage;
  SetPhase(save ? kPhaseSaving : kPhaseReading);
  floatControl_ = _control87(0, 0);
  thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
  return thread_ != nullptr;
}

void GreetingJob::Wait() {
  if (thread_ == nullptr) return;
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
}

DWORD WINAPI GreetingJob::ThreadMain(void* data) {
  GreetingJob* job = static_cast<GreetingJob*>(data);
  _control87(job->floatControl_, 0xFFFFFFFF);
  if (job->save) {
    job->Save();
  } else {
    job->Load();
  }
  PostMessageA(job->window_, job->doneMessage_, 0, reinterpret_cast<LPARAM>(job));
  return 0;
}

void GreetingJob::Load() {
  AnimationLoad& in = *load;
  if (!in.sourceGiven) {
    // A file larger than the player reads whole is refused before it is read:
    // this 32-bit process could not hold it, its frames and its flattening.
    const int64_t size = FileSize(in.path);
    Verdict sizes;
    CheckPartSizes(PartSize{"", 0}, PartSize{in.path, size}, nullptr, false, "", &sizes);
    if (!sizes.accepted()) {
      in.error = sizes.RefusalLines();
      return;
    }
    bool read = false;
    in.source = ReadWholeFile(in.path, &read);
    if (!read) {
      in.error = in.path + ": cannot read it: " + std::strerror(errno);
      return;
    }
  }
  SetPhase(kPhaseChecking);
  Verdict verdict;
  if (!in.sourceGiven) {
    CheckAnimation(in.path, in.source, false, &in.animation.gif, &verdict);
    in.need = FindFlattenNeed(verdict);
    if (!in.need.needed) {
      in.error = verdict.RefusalLines();
      if (in.error.empty()) in.packed = in.source;
      for (const VerdictEntry& warning : verdict.warnings) in.notes.push_back(warning.reason);
      return;
    }
    FreeGifAnimation(&in.animation.gif);
    in.animation.gif = GifAnimation{};
  }

  SetPhase(kPhaseFlattening);
  in.flattening = FlattenGif(in.source.data(), in.source.size(), PlayerFlattenOptions(in.dither));
  if (!in.flattening.ok) {
    in.error = in.path + ": cannot make it playable: " + in.flattening.error;
    return;
  }
  in.packed.swap(in.flattening.gif);
  SetPhase(kPhaseChecking);
  Verdict flattened;
  CheckAnimation(in.path, in.packed, true, &in.animation.gif, &flattened);
  in.error = flattened.RefusalLines();
  if (!in.error.empty()) in.packed.clear();
  if (in.flattening.truncated) in.notes.push_back("the file breaks off; the frames before the break are kept");
  for (const VerdictEntry& warning : flattened.warnings) in.notes.push_back(warning.reason);
}

// The parts of the greeting being saved, in either form.
GreetingParts GreetingJob::PartsToSave() const {
  const GreetingSave& out = *save;
  GreetingParts parts;
  parts.playerPath = "the player inside this program";
  parts.player = &CarriedPlayer();
  parts.animationPath = out.animationPath;
  parts.animation = &out.animation;
  parts.flattened = out.flattened;
  parts.songPath = out.songPath;
  if (out.withSong) parts.song = &out.song;
  parts.words = out.words;
  return parts;
}

void GreetingJob::Save() {
  GreetingSave& out = *save;
  if (out.web) {
    SaveWebPage();
    return;
  }
  if (CarriedPlayer().empty()) {
    out.error = "this program lacks the player it copies into greetings: get loopvue-maker.exe again";
    return;
  }
  if (WriteGreeting(PartsToSave(), out.output, &out.error)) out.bytes = FileSize(out.output);
}

// The same greeting as one web page, refused for what the greeting would be.
void GreetingJob::SaveWebPage() {
  GreetingSave& out = *save;
  GreetingParts parts = PartsToSave();
  WebPageParts page;
  page.title = WebPageTitle(out.output, out.words);
  page.animation = parts.animation;
  page.song = parts.song;
  page.words = parts.words;
  if (CheckAsGreeting(parts, out.output, &out.error) && WriteWebPage(page, out.output, &out.error))
    out.bytes = FileSize(out.output);
}

const std::vector<uint8_t>& CarriedPlayer() {
  static std::vector<uint8_t> player;
  if (player.empty()) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_PLAYER), RT_RCDATA);
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const uint8_t* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    if (bytes != nullptr) player.assign(bytes, bytes + SizeofResource(nullptr, found));
  }
  return player;
}
