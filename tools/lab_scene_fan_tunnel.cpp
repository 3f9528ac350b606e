// talvex-lab scene fan_tunnel: the bending tunnel with its fans, from song position 1024 with
// the near limit 50. It reads nothing that earlier set-ups make.
#include "scenes/fan_tunnel.h"
#include "scenes/scenes.h"
#include "tools/lab_scene.h"

namespace {
LabScene entry{"fan_tunnel", 1024, 50, fan_tunnel_init, fan_tunnel_enter, fan_tunnel_frame};
}  // namespace
