// The golden run: a headless run of the whole demo that takes the SHA-256 of the FrameBuffer
// when the song first reaches each of a few positions per scene. tests/golden/frames.txt
// holds the sums of the current build; `talvex-lab golden tests/golden/frames.txt` rewrites it.
#pragma once
#include <string>
#include <vector>

#include "platform/capture.h"

struct GoldenPoint {
  const char* scene;
  SongPoint at;
};
extern const GoldenPoint golden_points[];
extern const int golden_point_count;

// One line per point, in order: "H:ORDER:ROW scene sha256". A point the run never showed
// gets "-" for its sum. False (and why) when the run itself failed.
bool golden_run(std::vector<std::string>* lines, std::string* error);
