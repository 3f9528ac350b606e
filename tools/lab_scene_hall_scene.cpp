// talvex-lab scene hall_scene: the pillar hall alone. It enters on whatever its set-up left
// in the FrameBuffer (the glow it painted), standing in for the previous scene's last picture.
#include "scenes/hall_scene.h"
#include "scenes/scenes.h"
#include "tools/lab_scene.h"

namespace {

LabScene entry{"hall_scene", 3424, 60, hall_scene_init, hall_scene_enter, hall_scene_frame, nullptr};

}  // namespace
