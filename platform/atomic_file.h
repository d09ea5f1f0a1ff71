#pragma once

#include <filesystem>

#include "platform/binary_stream.h"
#include "platform/result.h"

namespace zembra {

// A file that appears under its name only when complete. Bytes go to a
// temporary file in the target's folder; Commit() makes them durable and
// renames the temporary over the target in one step. Until then an existing
// file of that name is untouched, and if Commit() is never reached (or
// fails) the temporary is removed, so a failed save never leaves a partial
// file behind.
class AtomicFile {
 public:
  static Result<AtomicFile> Create(const std::filesystem::path& target);

  AtomicFile(AtomicFile&& other) noexcept;
  AtomicFile& operator=(AtomicFile&&) = delete;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile();

  BinaryStream& stream() { return stream_; }
  const std::filesystem::path& target() const { return target_; }
  const std::filesystem::path& temporary_path() const { return temporary_; }

  // Reports the stream's first error if there was one; otherwise stores the
  // file and puts it in place of the target.
  Status Commit();

 private:
  AtomicFile(BinaryStream stream, std::filesystem::path target, std::filesystem::path temporary);
  void Discard();

  BinaryStream stream_;
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  bool pending_ = true;
};

}  // namespace zembra
