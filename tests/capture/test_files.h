// Scratch files for the capture tests, under the build tree.
#pragma once
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

inline std::string scratch(const std::string& name) {
  std::filesystem::path dir = std::filesystem::path(TALVEX_BINARY_DIR) / "test_output" / "capture";
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

inline std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Neither the finished file nor a temporary one beside it: one named after it, or a hidden
// one of the writer's (by any process).
inline bool no_leftovers(const std::string& path) {
  const std::filesystem::path p(path);
  if (std::filesystem::exists(p)) return false;
  if (!std::filesystem::is_directory(p.parent_path())) return true;
  for (const auto& f : std::filesystem::directory_iterator(p.parent_path()))
    if (f.path().filename().string().starts_with(p.filename().string() + ".") ||
        f.path().filename().string().starts_with(".talvex-"))
      return false;
  return true;
}

inline int count_lines(const std::string& text) { return int(std::count(text.begin(), text.end(), '\n')); }
