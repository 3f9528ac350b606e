// talvex-lab scene: the scenes it can render. lab_scene.cpp lists the first half; a
// second-half scene registers itself from its own tools/lab_scene_<name>.cpp with a
// LabScene object at start-up, like the subcommands do.
#pragma once
#include <cstdint>

struct LabScene {
  const char* name;
  int32_t first_position;           // where the timeline starts the scene
  int32_t z_limit;                  // the near_z_limit the timeline sets for it
  void (*init)();                   // the scene's set-up (after the shared start-up pieces)
  void (*enter)();                  // its entry steps
  bool (*frame)(int32_t position);  // one frame; true when the scene would return
  void (*leave)();                  // what the shell does after the scene, or nullptr
  LabScene(const char* name, int32_t first_position, int32_t z_limit, void (*init)(), void (*enter)(),
           bool (*frame)(int32_t), void (*leave)() = nullptr);
};
