// Scratch files for the capture tests, under the build tree.
#pragma once
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/video_writer.h"

inline std::string scratch(const std::string& name) {
  std::filesystem::path dir = std::filesystem::path(TALVEX_BINARY_DIR) / "test_output" / "capture";
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

inline std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Neither the finished file nor the temporary one it is written under.
inline bool no_leftovers(const std::string& path) {
  return !std::filesystem::exists(path) && !std::filesystem::exists(VideoWriter::temporary_path(path));
}

inline int count_lines(const std::string& text) { return int(std::count(text.begin(), text.end(), '\n')); }
