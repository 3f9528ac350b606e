// talvex-lab scene NAME SCENE_TIME POSITION OUT.png [FRAMES]
//
// Renders a scene headless up to a chosen moment and writes the FrameBuffer as a PNG. The
// scene is played from its start at 1.5 time units per frame (about 30 frames a second),
// the song position moving evenly from the scene's first position to POSITION, so that
// trails, blends and dissolves look as they would at that moment. FRAMES renders only the
// last FRAMES frames of that run.
#include "tools/lab_scene.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/png.h"
#include "render3d/effects.h"
#include "render3d/pipeline.h"
#include "scenes/card_flight.h"
#include "scenes/chain.h"
#include "scenes/credits_tunnel.h"
#include "scenes/intermission.h"
#include "scenes/particle_zoom.h"
#include "scenes/scenes.h"
#include "scenes/tentacles.h"
#include "scenes/tree.h"
#include "shell/present.h"
#include "shell/timer.h"
#include "textures/tables.h"
#include "tools/lab.h"

namespace {

constexpr float frame_step = 1.5f;

// The start-up pieces that scenes share, made before a scene's own set-up. A scene then
// enters on whatever its set-up left in the FrameBuffer, as it would on the previous
// scene's last picture.
void start_up() {
  set_row_table(FrameBuffer);
  build_glow_texture();
  build_texture_tables();
  build_dissolve_mask();
  clear_buffers(0);
  fill_prev_frame(0);
}

// The timeline points the row table at the canvas before the opening scene.
void enter_particle_zoom() {
  set_row_table(trail_canvas);
  particle_zoom_enter();
}

// The card shows the opening scene's last picture: play that scene to its end first.
void init_card_flight() {
  particle_zoom_init();
  enter_particle_zoom();
  constexpr int zoom_frames = 600;  // about 20 seconds, as long as the opening runs
  for (int i = 0; i < zoom_frames; ++i) {
    scene_time = i * frame_step;
    particle_zoom_frame(i * 567 / zoom_frames);
  }
  set_row_table(FrameBuffer);
  card_flight_init();
}

// The chain fades in from the previous scene's last picture; a grey ramp stands in for it.
void enter_chain() {
  for (int i = 0; i < screen_pixels; ++i) {
    uint32_t g = (i % screen_width + i / screen_width) * 255 / (screen_width + screen_height);
    FrameBuffer[i] = g * 0x010101;
  }
  chain_enter();
}

void leave_card_flight() { screen_centre[0] = 160; }
void leave_credits_tunnel() { render_first_face = 0; }

// The sky is the shared sphere; the start-up pre-roll sets the sparks flying.
void init_tentacles() {
  build_shared_sphere_mesh();
  tentacles_init();
  render_first_face = 0;
  present_skip = 1;
  for (int i = 0; i < 30; ++i) tentacles_run();
  present_skip = 0;
  clear_buffers(0);
  fill_prev_frame(0);
}

// The intermission is one fixed fade-in: play it whole on entry; its last picture stays.
bool intermission_done(int32_t) { return true; }

constexpr int max_scenes = 24;
const LabScene* lab_scenes[max_scenes];
int lab_scene_count = 0;

const LabScene first_half[] = {
    {"particle_zoom", 0, 0, particle_zoom_init, enter_particle_zoom, particle_zoom_frame, nullptr},
    {"card_flight", 568, 20, init_card_flight, card_flight_enter, card_flight_frame, leave_card_flight},
    {"credits_tunnel", 768, 50, credits_tunnel_init, credits_tunnel_enter, credits_tunnel_frame,
     leave_credits_tunnel},
    {"tentacles", 2304, 50, init_tentacles, tentacles_enter, tentacles_frame, nullptr},
    {"chain", 2912, 50, chain_init, enter_chain, chain_frame, nullptr},
    {"tree", 3440, 150, tree_init, tree_enter, tree_frame, nullptr},
    {"intermission", 0, 150, title_images_init, intermission_run, intermission_done, nullptr},
};

bool parse_number(const char* text, double* out) {
  char* end = nullptr;
  *out = std::strtod(text, &end);
  return end != text && *end == 0 && std::isfinite(*out);
}

int run(int argc, char** argv) {
  if (argc < 5 || argc > 6) {
    std::fprintf(stderr, "talvex-lab scene: expected NAME SCENE_TIME POSITION OUT.png [FRAMES]\n");
    return lab_usage_error;
  }
  const LabScene* scene = nullptr;
  for (int i = 0; i < lab_scene_count; ++i)
    if (!std::strcmp(argv[1], lab_scenes[i]->name)) scene = lab_scenes[i];
  if (!scene) {
    std::fprintf(stderr, "talvex-lab scene: unknown scene '%s' (known:", argv[1]);
    for (int i = 0; i < lab_scene_count; ++i) std::fprintf(stderr, " %s", lab_scenes[i]->name);
    std::fprintf(stderr, ")\n");
    return lab_usage_error;
  }
  double time = 0, position = 0, frames = 0;
  if (!parse_number(argv[2], &time) || time < 0 || time > 100000) {
    std::fprintf(stderr, "talvex-lab scene: SCENE_TIME must be a number from 0 to 100000, not '%s'\n",
                 argv[2]);
    return lab_usage_error;
  }
  if (!parse_number(argv[3], &position) || position != std::floor(position) || position < 0 ||
      position > 65535) {
    std::fprintf(stderr, "talvex-lab scene: POSITION must be an integer from 0 to 65535, not '%s'\n",
                 argv[3]);
    return lab_usage_error;
  }
  int total = static_cast<int>(time / frame_step) + 1;
  int count = total;
  if (argc == 6) {
    if (!parse_number(argv[5], &frames) || frames != std::floor(frames) || frames < 1 || frames > total) {
      std::fprintf(stderr, "talvex-lab scene: FRAMES must be an integer from 1 to %d, not '%s'\n", total,
                   argv[5]);
      return lab_usage_error;
    }
    count = static_cast<int>(frames);
  }

  start_up();
  scene->init();
  near_z_limit = scene->z_limit;
  scene->enter();
  for (int i = total - count; i < total; ++i) {
    double fraction = total > 1 ? double(i) / (total - 1) : 1.0;
    scene_time = static_cast<float>(time - (total - 1 - i) * double(frame_step));
    int32_t p = static_cast<int32_t>(scene->first_position + (position - scene->first_position) * fraction);
    scene->frame(p);
  }
  if (scene->leave) scene->leave();

  if (!write_png(argv[4], screen_width, screen_height, FrameBuffer, screen_width)) {
    std::fprintf(stderr, "talvex-lab scene: cannot write '%s'\n", argv[4]);
    return 1;
  }
  return 0;
}

LabCommand command{"scene", "NAME SCENE_TIME POSITION OUT.png [FRAMES]", run};

}  // namespace

LabScene::LabScene(const char* n, int32_t first, int32_t z, void (*i)(), void (*e)(), bool (*f)(int32_t),
                   void (*l)())
    : name(n), first_position(first), z_limit(z), init(i), enter(e), frame(f), leave(l) {
  if (lab_scene_count < max_scenes) lab_scenes[lab_scene_count++] = this;
}
