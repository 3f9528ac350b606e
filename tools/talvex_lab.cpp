#include <cstdio>
#include <cstring>

#include "tools/lab.h"

namespace {

constexpr int max_commands = 32;
const LabCommand* commands[max_commands];
int command_count = 0;

void print_usage(FILE* out) {
  std::fprintf(out, "usage: talvex-lab COMMAND [ARGS...]\n");
  for (int i = 0; i < command_count; ++i)
    std::fprintf(out, "  talvex-lab %s %s\n", commands[i]->name, commands[i]->usage);
}

}  // namespace

LabCommand::LabCommand(const char* n, const char* u, int (*r)(int, char**)) : name(n), usage(u), run(r) {
  if (command_count < max_commands) commands[command_count++] = this;
}

int main(int argc, char** argv) {
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
    print_usage(argc < 2 ? stderr : stdout);
    return argc < 2 ? lab_usage_error : 0;
  }
  for (int i = 0; i < command_count; ++i)
    if (!std::strcmp(argv[1], commands[i]->name)) return commands[i]->run(argc - 1, argv + 1);
  std::fprintf(stderr, "talvex-lab: unknown command '%s'\n", argv[1]);
  print_usage(stderr);
  return lab_usage_error;
}
