#include "samples/vag_patch.h"

#include <algorithm>
#include <span>
#include <string>
#include <utility>

#include "platform/binary_stream.h"
#include "platform/os_error.h"
#include "samples/vag_header.h"

namespace zembra {

Status PatchVagFile(const std::filesystem::path& file) {
  Result<BinaryStream> opened = BinaryStream::OpenRegular(file, BinaryStream::Access::kReadWrite);
  if (!opened) return opened.error();
  BinaryStream& stream = *opened;
  const std::vector<std::uint8_t> header = stream.Read(kVagHeaderSize);
  if (Status read = stream.status(); !read) return read;

  // The folder may have changed since it was listed: check the file again.
  std::string refusal;
  if (header.size() < kVagMagic.size() ||
      !std::equal(kVagMagic.begin(), kVagMagic.end(), header.begin())) {
    refusal = "it is not a VAG file";
  } else if (IsGameFormVag(header)) {
    refusal = "it is already in the game's form";
  } else if (header.size() < kVagHeaderSize) {
    refusal =
        "it is " + std::to_string(header.size()) + " bytes long, too short to hold a VAG header";
  }
  if (!refusal.empty()) {
    (void)stream.Close();
    return FileError("patch", file, refusal);
  }

  // Bytes 4-19 go back in one write, so the version and the two sizes change
  // together; bytes 8-11 are written with the values they had. Nothing else
  // is touched and the length stays the same.
  const auto patched = ToGameForm(std::span<const std::uint8_t, kVagHeaderSize>(header));
  stream.SetPosition(4);
  stream.Write(std::span(patched).subspan(4));
  return stream.Close();
}

std::vector<PatchFailure> PatchVagFiles(const std::vector<std::filesystem::path>& files) {
  std::vector<PatchFailure> failures;
  for (const std::filesystem::path& file : files) {
    if (Status patched = PatchVagFile(file); !patched) {
      failures.push_back({file, patched.error().message});
    }
  }
  return failures;
}

}  // namespace zembra
