#include "samples/folder_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <set>
#include <utility>

#include "platform/os_error.h"
#include "samples/natural_order.h"
#include "samples/vag_header.h"

namespace zembra {

namespace {

using LeadingTest = bool (*)(std::span<const std::uint8_t>);

// Closes the listing on every way out.
struct Listing {
  DIR* dir;
  ~Listing() {
    if (dir != nullptr) ::closedir(dir);
  }
};

// Whether the entry is a regular file, or a link to one. The kind the
// listing gives spares a call for the usual plain file; anything else is
// asked of the file system, following links.
bool IsRegularFile(int folder_fd, const dirent& entry) {
  if (entry.d_type == DT_REG) return true;
  if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return false;
  struct stat info {};
  return ::fstatat(folder_fd, entry.d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

// Whether the file's first bytes pass `test`; false when it cannot be read.
bool LeadingBytesPass(int folder_fd, const char* name, LeadingTest test) {
  // O_NONBLOCK: should a FIFO have taken the file's place since the
  // listing, neither the open nor the read waits for a writer.
  const int fd = ::openat(folder_fd, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  std::uint8_t leading[kVagTestSize];
  ssize_t got;
  do {
    got = ::read(fd, leading, sizeof leading);
  } while (got < 0 && errno == EINTR);
  ::close(fd);
  return got >= 0 && test(std::span<const std::uint8_t>(leading, static_cast<std::size_t>(got)));
}

// Leaf names of the files of `folder` whose leading bytes pass `test`, in
// natural order. Symbolic links count as the regular file they point to;
// folders, FIFOs, devices, dangling links and anything that cannot be opened
// or read are passed over. One listing, and one open and read per file.
Result<std::vector<std::string>> NamesPassing(const std::filesystem::path& folder,
                                              LeadingTest test) {
  const Listing listing{::opendir(folder.c_str())};
  if (listing.dir == nullptr) return FileError("list", folder, errno);
  const int folder_fd = ::dirfd(listing.dir);
  std::vector<std::string> found;
  while (true) {
    errno = 0;
    const dirent* entry = ::readdir(listing.dir);
    if (entry == nullptr) {
      if (errno != 0) return FileError("list", folder, errno);
      break;
    }
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    if (IsRegularFile(folder_fd, *entry) && LeadingBytesPass(folder_fd, entry->d_name, test)) {
      found.emplace_back(entry->d_name);
    }
  }
  std::sort(found.begin(), found.end(), NaturalLess());
  return found;
}

}  // namespace

Result<std::vector<std::string>> ScanUsableSamples(const std::filesystem::path& folder) {
  return NamesPassing(folder, IsGameFormVag);
}

Result<std::vector<std::filesystem::path>> ListFilesNeedingPatch(
    const std::filesystem::path& folder) {
  Result<std::vector<std::string>> names = NamesPassing(folder, NeedsVagPatch);
  if (!names) return names.error();
  // Hard links are one file under several names: patched through the first,
  // the others would no longer need it, so each file is listed once.
  std::set<std::pair<dev_t, ino_t>> seen;
  std::vector<std::filesystem::path> files;
  files.reserve(names->size());
  for (const std::string& name : *names) {
    const std::filesystem::path file = folder / name;
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0 && !seen.emplace(info.st_dev, info.st_ino).second) {
      continue;
    }
    files.push_back(file);
  }
  return files;
}

}  // namespace zembra
