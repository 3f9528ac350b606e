// Files that appear whole or not at all: the video, the shots and the tools' outputs.
//
// An OutputFile writes into an unnamed file in the target's folder (O_TMPFILE) and links it
// in under its name only at commit, so nothing is left behind by a failure, an interrupt or
// even SIGKILL. Where the file system has no unnamed files, a short hidden name in the same
// folder stands in, removed on failure and on SIGINT, SIGTERM and SIGHUP.
//
// A path that is a symbolic link is written where the link points; the link stays.
#pragma once
#include <string>

// The file a write to path really replaces: symbolic links followed (the last target need
// not exist yet). Relative paths stay relative.
std::string output_target(const std::string& path);

// Whether a file can be written at path: its folder exists and is writable, its name fits
// the file system, and it is not itself a folder. Otherwise false and why, in one line
// that names the path.
bool check_output_path(const std::string& path, std::string* why);

// Whether two paths name the same file once links are followed.
bool same_output(const std::string& a, const std::string& b);

// A free name like path: path itself, else NAME-2.EXT, NAME-3.EXT... (empty if none under 1000).
std::string free_output_name(const std::string& path);

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { discard(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the file's hidden beginning beside path. replace = false: commit refuses to
  // replace a file that has appeared under the name meanwhile.
  bool open(const std::string& path, std::string* error, bool replace = true);
  int fd() const { return fd_; }
  // A name under which the open file can be opened again (for libraries that take names).
  const std::string& name() const { return name_; }
  // Puts the written file in place under its path and closes it.
  bool commit(std::string* error);
  // Drops the file; nothing stays behind.
  void discard();

 private:
  int fd_ = -1;
  std::string target_, name_, hidden_;
  bool replace_ = true;
  int slot_ = -1;  // the interrupt guard's slot for hidden_
};

// Makes OutputFile use hidden names even where unnamed files work (for tests of that path).
void output_file_force_hidden_names(bool force);

// "cannot write PATH: REASON" for an errno value.
std::string write_error(const std::string& path, int error_number);
