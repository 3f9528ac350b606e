// talvex-lab scene balls: the bouncing lamp balls, from their first position with their
// near limit. Their set-up needs only the shared start-up pieces the lab makes first.
#include "scenes/balls.h"
#include "scenes/scenes.h"
#include "tools/lab_scene.h"

namespace {

LabScene entry{"balls", 2816, 80, balls_init, balls_enter, balls_frame};

}  // namespace
