// talvex-lab scene polar_scene: the eight-centre polar scene from 17:120 on. Its flashes are
// frames of the final scene, so that scene is set up too; the flash test sees the lab's
// position.
#include "scenes/final_scene.h"
#include "scenes/polar_scene.h"
#include "scenes/scenes.h"
#include "tools/lab_scene.h"

namespace {

void init() {
  polar_scene_init();
  final_scene_init();
}

bool frame(int32_t position) { return polar_scene_frame_at(position, position); }

LabScene entry{"polar_scene", 4472, 50, init, polar_scene_enter, frame};

}  // namespace
