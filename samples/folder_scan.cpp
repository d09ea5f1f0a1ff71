#include "samples/folder_scan.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <system_error>
#include <utility>

#include "platform/binary_stream.h"
#include "platform/os_error.h"
#include "samples/natural_order.h"
#include "samples/vag_header.h"

namespace zembra {

namespace {

using LeadingTest = std::function<bool(std::span<const std::uint8_t>)>;

// The files of `folder` whose leading bytes pass `test`, in natural order of
// their names. Symbolic links count as the regular file they point to;
// folders, FIFOs, devices, dangling links and anything that cannot be opened
// or read are passed over.
Result<std::vector<std::filesystem::path>> FilesPassing(const std::filesystem::path& folder,
                                                        const LeadingTest& test) {
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) return FileError("list", folder, ec.value());
  std::vector<std::filesystem::path> found;
  for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
    std::error_code status_ec;
    // Checked before opening so that special files are never opened at all.
    if (!it->is_regular_file(status_ec)) continue;
    Result<BinaryStream> stream =
        BinaryStream::OpenRegular(it->path(), BinaryStream::Access::kRead);
    if (!stream) continue;
    const std::vector<std::uint8_t> leading = stream->Read(kVagTestSize);
    if (stream->Close() && test(leading)) found.push_back(it->path());
  }
  // A failed step ends the iteration and leaves its reason in `ec`.
  if (ec) return FileError("list", folder, ec.value());
  std::sort(found.begin(), found.end(),
            [](const std::filesystem::path& a, const std::filesystem::path& b) {
              return NaturalCompare(a.filename().native(), b.filename().native()) < 0;
            });
  return found;
}

}  // namespace

Result<std::vector<std::string>> ScanUsableSamples(const std::filesystem::path& folder) {
  Result<std::vector<std::filesystem::path>> files = FilesPassing(folder, IsGameFormVag);
  if (!files) return files.error();
  std::vector<std::string> names;
  names.reserve(files->size());
  for (const std::filesystem::path& file : *files) names.push_back(file.filename().string());
  return names;
}

Result<std::vector<std::filesystem::path>> ListFilesNeedingPatch(
    const std::filesystem::path& folder) {
  return FilesPassing(folder, NeedsVagPatch);
}

}  // namespace zembra
