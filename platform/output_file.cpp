#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <random>

namespace {

// Hidden names in use, for the interrupt handler, which may only call async-signal-safe
// functions: fixed slots, each marked used once its name is complete.
constexpr int guard_slots = 4;
char guarded_names[guard_slots][PATH_MAX];
volatile sig_atomic_t guarded_used[guard_slots];
int guarded_count = 0;
bool force_hidden = false;
constexpr int handled_signals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous_actions[std::size(handled_signals)];

void on_interrupt(int sig) {
  for (int i = 0; i < guard_slots; ++i)
    if (guarded_used[i]) unlink(guarded_names[i]);
  for (size_t i = 0; i < std::size(handled_signals); ++i)
    if (handled_signals[i] == sig) sigaction(sig, &previous_actions[i], nullptr);
  // Die of the same signal (or let the previous handler run) so the parent sees why.
  raise(sig);
}

int guard_name(const std::string& name) {
  for (int i = 0; i < guard_slots; ++i) {
    if (guarded_used[i]) continue;
    std::snprintf(guarded_names[i], sizeof guarded_names[i], "%s", name.c_str());
    guarded_used[i] = 1;
    if (guarded_count++ == 0) {
      struct sigaction action = {};
      action.sa_handler = on_interrupt;
      sigemptyset(&action.sa_mask);
      for (size_t s = 0; s < std::size(handled_signals); ++s) {
        sigaction(handled_signals[s], nullptr, &previous_actions[s]);
        // A signal the process was started to ignore (a background job, nohup) stays ignored.
        if (previous_actions[s].sa_handler != SIG_IGN) sigaction(handled_signals[s], &action, nullptr);
      }
    }
    return i;
  }
  return -1;  // more than four at once: left unguarded
}

void release_name(int slot) {
  if (slot < 0) return;
  guarded_used[slot] = 0;
  if (--guarded_count == 0)
    for (size_t s = 0; s < std::size(handled_signals); ++s)
      sigaction(handled_signals[s], &previous_actions[s], nullptr);
}

std::string folder_of(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string name_of(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A short hidden name in the folder that does not exist yet.
std::string hidden_name(const std::string& folder) {
  static std::mt19937 random(std::random_device{}() ^ unsigned(getpid()));
  static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string name = folder + "/.talvex-";
  for (int i = 0; i < 6; ++i) name += digits[random() % 36];
  return name;
}

mode_t file_mode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

void output_file_force_hidden_names(bool force) { force_hidden = force; }

std::string write_error(const std::string& path, int error_number) {
  return "cannot write " + path + ": " + std::strerror(error_number);
}

std::string output_target(const std::string& path) {
  std::string p = path;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat info;
    if (lstat(p.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return p;
    char link[PATH_MAX];
    const ssize_t n = readlink(p.c_str(), link, sizeof link - 1);
    if (n <= 0) return p;
    link[n] = 0;
    p = link[0] == '/' || p.find('/') == std::string::npos ? std::string(link) : folder_of(p) + "/" + link;
  }
  return p;
}

bool check_output_path(const std::string& path, std::string* why) {
  auto fail = [&](const std::string& reason) {
    if (why) *why = "cannot write " + path + ": " + reason;
    return false;
  };
  if (path.empty()) return fail("no file name");
  const std::string target = output_target(path);
  if (target.back() == '/') return fail("it names a folder");
  struct stat info;
  if (stat(target.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return fail("it is a folder");
    if (!S_ISREG(info.st_mode)) return fail("it is not a plain file");
  }
  const std::string folder = folder_of(target);
  if (stat(folder.c_str(), &info) != 0)
    return fail(errno == ENOENT ? "there is no folder " + folder : std::string(std::strerror(errno)));
  if (!S_ISDIR(info.st_mode)) return fail(std::strerror(ENOTDIR));
  const long name_max = pathconf(folder.c_str(), _PC_NAME_MAX);
  if (name_max > 0 && long(name_of(target).size()) > name_max) return fail(std::strerror(ENAMETOOLONG));
  if (access(folder.c_str(), W_OK | X_OK) != 0) return fail(std::strerror(errno));
  return true;
}

bool same_output(const std::string& a, const std::string& b) {
  const std::string ta = output_target(a), tb = output_target(b);
  struct stat sa, sb;
  if (stat(ta.c_str(), &sa) == 0 && stat(tb.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  if (name_of(ta) != name_of(tb)) return false;
  if (stat(folder_of(ta).c_str(), &sa) != 0 || stat(folder_of(tb).c_str(), &sb) != 0) return ta == tb;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::string free_output_name(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return path;
  const std::string folder_part = path.find('/') == std::string::npos ? "" : folder_of(path) + "/";
  const std::string name = name_of(path);
  const size_t dot = name.find_last_of('.');
  const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  const std::string extension = stem.size() == name.size() ? "" : name.substr(dot);
  for (int n = 2; n < 1000; ++n) {
    std::string candidate = folder_part + stem + "-" + std::to_string(n) + extension;
    if (lstat(candidate.c_str(), &info) != 0) return candidate;
  }
  return "";
}

bool OutputFile::open(const std::string& path, std::string* error, bool replace) {
  discard();
  if (!check_output_path(path, error)) return false;
  target_ = output_target(path);
  replace_ = replace;
  const std::string folder = folder_of(target_);
  if (!force_hidden) {
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      name_ = "/proc/self/fd/" + std::to_string(fd_);
      if (access(name_.c_str(), W_OK) == 0) return true;
      ::close(fd_);  // no /proc to link it in through
      fd_ = -1;
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      if (error) *error = write_error(path, errno);
      return false;
    }
  }
  // No unnamed files here: a short hidden name, guarded against interrupts.
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    hidden_ = hidden_name(folder);
    const int slot = guard_name(hidden_);
    fd_ = ::open(hidden_.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, file_mode());
    if (fd_ >= 0) {
      slot_ = slot;
      break;
    }
    const int why = errno;
    release_name(slot);
    if (why != EEXIST) {
      hidden_.clear();
      if (error) *error = write_error(path, why);
      return false;
    }
  }
  if (fd_ < 0) {
    hidden_.clear();
    if (error) *error = write_error(path, EEXIST);
    return false;
  }
  name_ = hidden_;
  return true;
}

bool OutputFile::commit(std::string* error) {
  if (fd_ < 0) return false;
  auto fail = [&](int why) {
    if (error) *error = write_error(target_, why);
    discard();
    return false;
  };
  if (hidden_.empty()) {
    if (linkat(AT_FDCWD, name_.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      if (errno != EEXIST) return fail(errno);
      if (!replace_) {
        if (error) *error = target_ + " has appeared meanwhile; it was not replaced";
        discard();
        return false;
      }
      // Linked in under a hidden name first, then renamed over the old file in one step.
      const std::string folder = folder_of(target_);
      for (int attempt = 0; hidden_.empty() && attempt < 100; ++attempt) {
        std::string candidate = hidden_name(folder);
        const int slot = guard_name(candidate);
        if (linkat(AT_FDCWD, name_.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
          hidden_ = candidate;
          slot_ = slot;
        } else {
          const int why = errno;
          release_name(slot);
          if (why != EEXIST) return fail(why);
        }
      }
      if (hidden_.empty()) return fail(EEXIST);
    } else {
      ::close(fd_);
      fd_ = -1;
      return true;
    }
  }
  if (!replace_) {
    if (link(hidden_.c_str(), target_.c_str()) != 0) {
      const int why = errno;
      if (why == EEXIST && error) *error = target_ + " has appeared meanwhile; it was not replaced";
      if (why != EEXIST) return fail(why);
      discard();
      return false;
    }
    unlink(hidden_.c_str());
  } else if (std::rename(hidden_.c_str(), target_.c_str()) != 0) {
    return fail(errno);
  }
  release_name(slot_);
  slot_ = -1;
  hidden_.clear();
  ::close(fd_);
  fd_ = -1;
  return true;
}

void OutputFile::discard() {
  if (!hidden_.empty()) {
    unlink(hidden_.c_str());
    release_name(slot_);
    slot_ = -1;
    hidden_.clear();
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}
