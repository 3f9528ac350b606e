// talvex-lab golden FILE: plays the whole demo headless and writes the FrameBuffer's SHA-256 at
// a few song positions of every scene, the table tests/golden/frames.txt is checked against.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/lab.h"
#include "tools/support/golden.h"

namespace {

int run(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "talvex-lab golden: expected FILE\n");
    return lab_usage_error;
  }
  std::vector<std::string> lines;
  std::string error;
  if (!golden_run(&lines, &error)) {
    std::fprintf(stderr, "talvex-lab golden: %s\n", error.c_str());
    return 1;
  }
  const std::string path = argv[1], temporary = path + ".tmp";
  {
    std::ofstream out(temporary);
    out << "# H:ORDER:ROW scene sha256 of the FrameBuffer when the song first reaches it.\n"
           "# Written by `talvex-lab golden tests/golden/frames.txt`; see README.md.\n";
    for (const std::string& line : lines) out << line << "\n";
    if (!out.flush()) {
      std::remove(temporary.c_str());
      std::fprintf(stderr, "talvex-lab golden: cannot write '%s'\n", path.c_str());
      return 1;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    std::fprintf(stderr, "talvex-lab golden: cannot write '%s'\n", path.c_str());
    return 1;
  }
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  return 0;
}

LabCommand command{"golden", "FILE  (frame sums of a whole headless run, for tests/golden/frames.txt)", run};

}  // namespace
