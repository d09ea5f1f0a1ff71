#pragma once

#include <filesystem>

#include "platform/binary_stream.h"
#include "platform/result.h"

namespace zembra {

// A file that appears under its name only when complete. Bytes go to an
// unnamed file (or, where the file system cannot make one, a short hidden
// ".zembra-…" name) in the folder of the file being replaced; Commit() makes
// them durable and renames them over the target in one step. Until then an
// existing file of that name is untouched, and if Commit() is never reached
// (or fails) nothing is left behind.
//
// A target that is a symbolic link is written through: the file it leads to
// is replaced, in its own folder, and the link stays. A replaced file keeps
// its permissions (and its owner where the process may set it).
//
// Interruptions: Ctrl-C, SIGTERM, SIGHUP and SIGQUIT remove what is under
// way before the process ends; a size limit (SIGXFSZ) is a write error.
// Leftovers of a process that was killed outright are removed by the next
// AtomicFile made in that folder.
class AtomicFile {
 public:
  static Result<AtomicFile> Create(const std::filesystem::path& target);

  // Whether Create() may use unnamed files (on by default). Tests turn it
  // off to see what a file system without them gets; returns the old value.
  static bool SetUnnamedTemporaries(bool allowed);

  AtomicFile(AtomicFile&& other) noexcept;
  AtomicFile& operator=(AtomicFile&&) = delete;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile();

  BinaryStream& stream() { return stream_; }
  // The name the caller gave.
  const std::filesystem::path& target() const { return target_; }
  // The file that is replaced: the target with symbolic links followed.
  const std::filesystem::path& destination() const { return destination_; }

  // Reports the stream's first error if there was one; otherwise stores the
  // file and puts it in place of the target.
  Status Commit();

  // Commit in steps, for files that must change together. Stage() stores
  // the file durably under a temporary name; Publish() puts it in place and
  // keeps what it replaced until Settle() drops that, or Restore() puts it
  // back. A process ended by a handled signal between Publish() and Settle()
  // restores what was there. Without Settle(), the destructor settles.
  Status Stage();
  Status Publish();
  void Settle();
  Status Restore();

 private:
  enum class Phase { kWriting, kStaged, kPublished, kDone };
  AtomicFile(BinaryStream stream, int fd, std::filesystem::path target,
             std::filesystem::path destination, std::filesystem::path temporary, int slot);
  Status StageFile();
  void Discard();
  void Release();

  BinaryStream stream_;
  int fd_ = -1;  // holds the lock that marks the temporary as in use
  std::filesystem::path target_;
  std::filesystem::path destination_;
  std::filesystem::path temporary_;  // empty while the file has no name
  int slot_ = -1;                    // in the table the signal handler reads
  Phase phase_ = Phase::kWriting;
  bool replaced_ = false;  // Publish() swapped out an earlier file, now at temporary_
};

}  // namespace zembra
