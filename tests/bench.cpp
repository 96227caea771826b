// tkr_bench: measurements for scripts/bench.sh, not a test.
//   tkr_bench detect                 time of auto-detection (HOME as set)
//   tkr_bench browser DIR            time to open the browser on DIR, then
//                                    the time of 300 frames of it
//   tkr_bench frames PAGE N [FILE]   N frames of PAGE (0-4; 5 = the open
//                                    browser on TKR_BENCH_DIR) into a software
//                                    renderer, no delay; with FILE, the
//                                    drawing calls of the last frame are
//                                    recorded into it
//   tkr_bench replay FILE N          the recorded calls, replayed N times:
//                                    the bare loop the frames are compared to
//   tkr_bench faces ARCHIVE OUT      time to extract the portraits of a face
//                                    archive, against reading all of it
// The drawing calls are caught with the linker's --wrap, so the wizard's
// code runs unchanged.

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/wizard_state.h"
#include "install/portraits.h"
#include "platform/os.h"

// Every allocation of the program passes here, so a frame's can be counted.
static long long allocations = 0;
void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// One recorded call: kind 0 colour (r, g, b, a in x, y, w, h), 1 fill, 2 outline.
struct Call {
  int kind, x, y, w, h;
};
std::vector<Call> recorded;
bool recording = false;

double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

struct Target {
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 860, 520, 32, SDL_PIXELFORMAT_ARGB8888);
  SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(surface);
  ~Target() {
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(surface);
  }
};

void prepare(WizardState& state, int page) {
  state.gamePath = "/home/user/Downloads/setup_thrask_kovarra_classic_6.08dlc_(67213).exe";
  state.gamePathIsInstaller = true;
  state.modArchivePath = "/home/user/Downloads/SCI-7609-VA.7z";
  if (page == 5) {
    const char* dir = std::getenv("TKR_BENCH_DIR");
    state.page.store(1);
    state.browser.open(dir ? dir : ".", false, 0);
  } else {
    state.page.store(page);
  }
  if (page == 3) {
    for (int i = 0; i < 12; ++i) state.logLine("Copying GOG Data/*.rvk and base assets...");
    state.running.store(true);
    state.progress.store(40);
  }
}

int frames(int page, int n, const char* file) {
  WizardState state;
  prepare(state, page);
  Target t;
  FrameInput input;
  input.mouseX = 650;
  input.mouseY = 490;  // hovering Next
  const auto start = std::chrono::steady_clock::now();
  long long allocationsBefore = 0;
  recorded.reserve(1 << 17);  // recording must not allocate either
  for (int i = 0; i < n; ++i) {
    if (i == 1) allocationsBefore = allocations;  // the first frame may set things up
    recording = file && i == n - 1;
    if (recording) recorded.clear();
    beginFrame(input);
    runFrame(t.renderer, state, input);
  }
  recording = false;
  const long long frameAllocations = allocations - allocationsBefore;
  std::printf("frames page=%d n=%d ms=%.1f ms_per_frame=%.3f calls=%zu allocations_after_first=%lld\n", page, n,
              msSince(start), msSince(start) / n, recorded.size(), n > 1 ? frameAllocations : 0);
  if (file) {
    FILE* out = std::fopen(file, "wb");
    if (!out) return 1;
    std::fwrite(recorded.data(), sizeof(Call), recorded.size(), out);
    std::fclose(out);
  }
  state.running.store(false);
  return 0;
}

}  // namespace

extern "C" {
int __real_SDL_SetRenderDrawColor(SDL_Renderer*, Uint8, Uint8, Uint8, Uint8);
int __real_SDL_RenderFillRect(SDL_Renderer*, const SDL_Rect*);
int __real_SDL_RenderDrawRect(SDL_Renderer*, const SDL_Rect*);
}

namespace {

// Straight to SDL: the replay pays nothing for the recording hooks.
int replay(const char* file, int n) {
  std::vector<Call> calls;
  if (FILE* in = std::fopen(file, "rb")) {
    Call c;
    while (std::fread(&c, sizeof c, 1, in) == 1) calls.push_back(c);
    std::fclose(in);
  }
  Target t;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) {
    for (const Call& c : calls) {
      const SDL_Rect r{c.x, c.y, c.w, c.h};
      if (c.kind == 0) {
        __real_SDL_SetRenderDrawColor(t.renderer, Uint8(c.x), Uint8(c.y), Uint8(c.w), Uint8(c.h));
      } else if (c.kind == 1) {
        __real_SDL_RenderFillRect(t.renderer, &r);
      } else {
        __real_SDL_RenderDrawRect(t.renderer, &r);
      }
    }
  }
  std::printf("replay n=%d calls=%zu ms=%.1f\n", n, calls.size(), msSince(start));
  return 0;
}

}  // namespace

extern "C" {
int __wrap_SDL_SetRenderDrawColor(SDL_Renderer* r, Uint8 red, Uint8 green, Uint8 blue, Uint8 alpha) {
  if (recording) recorded.push_back({0, red, green, blue, alpha});
  return __real_SDL_SetRenderDrawColor(r, red, green, blue, alpha);
}
int __wrap_SDL_RenderFillRect(SDL_Renderer* r, const SDL_Rect* rect) {
  if (recording) recorded.push_back({1, rect->x, rect->y, rect->w, rect->h});
  return __real_SDL_RenderFillRect(r, rect);
}
int __wrap_SDL_RenderDrawRect(SDL_Renderer* r, const SDL_Rect* rect) {
  if (recording) recorded.push_back({2, rect->x, rect->y, rect->w, rect->h});
  return __real_SDL_RenderDrawRect(r, rect);
}
}

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "detect") {
    WizardState state;
    const auto start = std::chrono::steady_clock::now();
    state.autoDetectSources();
    std::printf("detect ms=%.1f game=%s mod=%s\n", msSince(start), state.gamePath.c_str(),
                state.modArchivePath.c_str());
    return 0;
  }
  if (mode == "browser" && argc > 2) {
    WizardState state;
    state.page.store(1);
    auto start = std::chrono::steady_clock::now();
    state.browser.open(argv[2], false, 0);
    const double openMs = msSince(start);
    Target t;
    FrameInput input;
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < 300; ++i) {
      beginFrame(input);
      if (i % 2) input.queued[input.queuedCount++] = {false, -1};  // scrolling down
      runFrame(t.renderer, state, input);
    }
    std::printf("browser entries=%zu open_ms=%.1f frames=300 ms_per_frame=%.3f scroll=%d\n",
                state.browser.entries.size(), openMs, msSince(start) / 300, state.browser.scroll);
    return 0;
  }
  if (mode == "faces" && argc > 3) {
    auto start = std::chrono::steady_clock::now();
    std::ifstream in(argv[2], std::ios::binary);
    std::vector<char> buffer(1 << 20);
    std::size_t total = 0;
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
      total += static_cast<std::size_t>(in.gcount());
    }
    const double wholeMs = msSince(start);
    std::error_code ec;
    std::filesystem::remove_all(argv[3], ec);
    start = std::chrono::steady_clock::now();
    installPortraitPack(*pathFromUtf8(argv[2]), *pathFromUtf8(argv[3]));
    const double extractMs = msSince(start);
    std::printf("faces bytes=%zu read_all_ms=%.2f extract_ms=%.2f\n", total, wholeMs, extractMs);
    return 0;
  }
  if (mode == "frames" && argc > 3) return frames(std::atoi(argv[2]), std::atoi(argv[3]), argc > 4 ? argv[4] : nullptr);
  if (mode == "replay" && argc > 3) return replay(argv[2], std::atoi(argv[3]));
  std::fprintf(stderr, "usage: tkr_bench detect | browser DIR | frames PAGE N [FILE] | replay FILE N\n");
  return 2;
}
