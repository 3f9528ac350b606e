// talvex-lab scene towers: the second half's first scene, on its own.
#include <cstring>

#include "render3d/effects.h"
#include "scenes/intermission.h"
#include "scenes/scenes.h"
#include "scenes/towers.h"
#include "shell/present.h"
#include "tools/lab_scene.h"

namespace {

// The title images come first (the scene opens on them); the glow and the level-3 sphere
// are the scene's own. As after the intermission, the first blended frame mixes with the
// title picture.
void init_towers() {
  title_images_init();
  towers_init();
  title_dim = 0;
  draw_title_backdrop();
  draw_title_logo(0);
  std::memcpy(prev_frame, FrameBuffer, screen_pixels * sizeof(uint32_t));
}

LabScene entry{"towers", 0, 50, init_towers, towers_enter, towers_frame};

}  // namespace
