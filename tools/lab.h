// talvex-lab: developer tools for patches, modules, textures and the renderer.
// Each lab_*.cpp registers its subcommands with a LabCommand at start-up.
#pragma once

struct LabCommand {
  const char* name;
  const char* usage;                  // one line: arguments after the name
  int (*run)(int argc, char** argv);  // argv[0] is the subcommand's name
  LabCommand(const char* name, const char* usage, int (*run)(int, char**));
};

// Exit code for bad input: a one-line message has been printed to stderr.
constexpr int lab_usage_error = 2;
