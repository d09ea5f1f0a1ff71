#include "platform/atomic_file_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <system_error>

#include "platform/os_error.h"

namespace zembra {
namespace {

constexpr std::string_view kPrefix = ".zembra-";
constexpr int kMaxLinks = 40;  // as the kernel allows in one path

bool ProcessGone(long pid) {
  return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// The process id in a name of TemporaryName()'s form, or 0.
long OwnerOf(std::string_view name) {
  if (name.substr(0, kPrefix.size()) != kPrefix) return 0;
  name.remove_prefix(kPrefix.size());
  long pid = 0;
  const auto [end, err] = std::from_chars(name.data(), name.data() + name.size(), pid);
  if (err != std::errc() || end == name.data() + name.size() || *end != '-') return 0;
  return pid;
}

}  // namespace

Result<std::filesystem::path> ResolveWriteTarget(const std::filesystem::path& target) {
  const auto is_dot = [](const std::filesystem::path& p) {
    return p.filename() == "." || p.filename() == "..";
  };
  if (!target.has_filename() || is_dot(target)) {
    return FileError("create", target, "it names a folder, not a file");
  }
  std::filesystem::path path = target;
  for (int hops = 0;; ++hops) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
      if (errno == ENOENT) return path;
      return FileError("create", target, errno);
    }
    if (S_ISDIR(info.st_mode)) return FileError("create", target, "it is a folder");
    if (!S_ISLNK(info.st_mode)) return path;
    if (hops == kMaxLinks) return FileError("create", target, ELOOP);
    std::error_code ec;
    const std::filesystem::path link = std::filesystem::read_symlink(path, ec);
    if (ec) return FileError("create", target, ec.value());
    path = link.is_absolute() ? link : path.parent_path() / link;
    if (!path.has_filename() || is_dot(path)) return FileError("create", target, "it is a folder");
  }
}

std::filesystem::path TemporaryName(const std::filesystem::path& folder) {
  static std::atomic<unsigned> counter{0};
  // The counter makes names unique within the process; the clock keeps a
  // reused process id from meeting an old name.
  const unsigned n = counter++ ^ static_cast<unsigned>(::time(nullptr) & 0xFFFF) << 16;
  std::string name(kPrefix);
  name += std::to_string(::getpid());
  name += '-';
  char digits[9];
  const auto [end, err] = std::to_chars(digits, digits + sizeof digits, n, 16);
  name.append(digits, err == std::errc() ? end : digits);
  return (folder.empty() ? std::filesystem::path(".") : folder) / name;
}

void RemoveLeftoverTemporaries(const std::filesystem::path& folder) {
  const std::filesystem::path where = folder.empty() ? std::filesystem::path(".") : folder;
  DIR* dir = ::opendir(where.c_str());
  if (!dir) return;
  const int dir_fd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    if (!ProcessGone(OwnerOf(entry->d_name))) continue;
    // A live writer holds its temporary locked; a pid reused since is no owner.
    const int fd = ::openat(dir_fd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      ::unlinkat(dir_fd, entry->d_name, 0);
    }
    ::close(fd);
  }
  ::closedir(dir);
}

}  // namespace zembra
