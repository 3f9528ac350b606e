// talvex-lab scene tube_scene: the twisted tube alone, in front of the shared sky sphere.
#include "render3d/effects.h"
#include "scenes/scenes.h"
#include "scenes/tube_scene.h"
#include "tools/lab_scene.h"

namespace {

void init_tube_scene() {
  build_shared_sphere_mesh();
  tube_scene_init();
}

LabScene entry{"tube_scene", 4096, 50, init_tube_scene, tube_scene_enter, tube_scene_frame, nullptr};

}  // namespace
