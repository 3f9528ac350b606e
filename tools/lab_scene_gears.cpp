// talvex-lab scene gears: the gear machine on its own.
#include "scenes/gears.h"
#include "scenes/scenes.h"
#include "tools/lab_scene.h"

namespace {

LabScene entry{"gears", 1917, 70, gears_init, gears_enter, gears_frame, nullptr};

}  // namespace
