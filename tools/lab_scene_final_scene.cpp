// talvex-lab scene final_scene: the figure on the stage, from 20:0 on.
#include "scenes/final_scene.h"
#include "scenes/scenes.h"
#include "tools/lab_scene.h"

namespace {
LabScene entry{"final_scene", 5120, 50, final_scene_init, final_scene_enter, final_scene_frame};
}  // namespace
