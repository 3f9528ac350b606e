#include "tools/support/golden.h"

#include <cstdio>
#include <filesystem>

#include "shell/present.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/sha.h>
}

namespace {

constexpr SongPoint at(int half, int order, int row) { return {half, order * 256 + row}; }

}  // namespace

const GoldenPoint golden_points[] = {
    {"particle_zoom", at(1, 1, 0)},   {"particle_zoom", at(1, 2, 0)},  {"card_flight", at(1, 2, 100)},
    {"credits_tunnel", at(1, 4, 30)}, {"credits_tunnel", at(1, 7, 0)}, {"tentacles", at(1, 9, 64)},
    {"tentacles", at(1, 10, 64)},     {"chain", at(1, 12, 0)},         {"chain", at(1, 13, 0)},
    {"tree", at(1, 14, 0)},           {"tree", at(1, 15, 0)},          {"towers", at(2, 1, 0)},
    {"towers", at(2, 3, 100)},        {"fan_tunnel", at(2, 4, 120)},   {"fan_tunnel", at(2, 5, 100)},
    {"gears", at(2, 8, 40)},          {"gears", at(2, 10, 100)},       {"balls", at(2, 11, 100)},
    {"balls", at(2, 12, 64)},         {"hall_scene", at(2, 13, 100)},  {"hall_scene", at(2, 14, 64)},
    {"tube_scene", at(2, 16, 32)},    {"tube_scene", at(2, 17, 60)},   {"polar_scene", at(2, 18, 64)},
    {"polar_scene", at(2, 19, 100)},  {"final_scene", at(2, 21, 100)}, {"final_scene", at(2, 23, 100)},
};
const int golden_point_count = int(std::size(golden_points));

namespace {

struct GoldenState {
  int next = 0;  // the points are in song order
  std::string sums[std::size(golden_points)];
};

bool reached(const SongPoint& now, const SongPoint& point) {
  return now.half > point.half || (now.half == point.half && now.position >= point.position);
}

void observe(const SongPoint& now, bool playing, const uint8_t*, int, int, void* user) {
  auto* state = static_cast<GoldenState*>(user);
  if (!playing) return;
  while (state->next < golden_point_count && reached(now, golden_points[state->next].at)) {
    uint8_t digest[32];
    AVSHA* sha = av_sha_alloc();
    av_sha_init(sha, 256);
    av_sha_update(sha, reinterpret_cast<const uint8_t*>(FrameBuffer), sizeof(uint32_t) * screen_pixels);
    av_sha_final(sha, digest);
    av_free(sha);
    char hex[65];
    for (int k = 0; k < 32; ++k) std::snprintf(hex + 2 * k, 3, "%02x", digest[k]);
    state->sums[state->next++] = hex;
  }
}

}  // namespace

bool golden_run(std::vector<std::string>* lines, std::string* error) {
  static GoldenState state;  // the run's globals live once per process, and so does this
  state = GoldenState{};
  CaptureOptions options;
  options.progress = false;
  // A video that is rendered frame by frame but never encoded nor written: the whole run.
  options.video_path = (std::filesystem::temp_directory_path() / "talvex-golden.mp4").string();
  options.encode = false;
  options.observer = observe;
  options.observer_user = &state;
  const int code = run_capture(options);
  if (code != 0) {
    *error = "the headless run ended with exit code " + std::to_string(code);
    return false;
  }
  lines->clear();
  for (int i = 0; i < golden_point_count; ++i) {
    const GoldenPoint& p = golden_points[i];
    char line[128];
    std::snprintf(line, sizeof line, "%d:%d:%d %s %s", p.at.half, p.at.position >> 8, p.at.position & 255,
                  p.scene, state.sums[i].empty() ? "-" : state.sums[i].c_str());
    lines->push_back(line);
  }
  return true;
}
