#include "audio/output_file.h"

#include <system_error>

#include "platform/atomic_file.h"
#include "platform/os_error.h"

namespace zembra {

Status RefuseSameFile(const std::filesystem::path& input, const std::filesystem::path& output) {
  std::error_code error;
  const bool same = std::filesystem::equivalent(input, output, error);
  if (same || (error && input.lexically_normal() == output.lexically_normal())) {
    return FileError("write", output, "it is the input file");
  }
  return Ok();
}

Status WriteOutputFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  Result<AtomicFile> file = AtomicFile::Create(path);
  if (!file) return file.error();
  file->stream().Write(bytes);
  return file->Commit();
}

}  // namespace zembra
