#include <iostream>

#include "archive/bar_reader.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/plugin_calls.h"
#include "platform/atomic_file.h"
#include "platform/binary_stream.h"

namespace zembra::cli {

int RunUnbar(const std::filesystem::path& archive,
             const std::optional<std::filesystem::path>& output) {
  Result<BinaryStream> in = BinaryStream::OpenRegular(archive, BinaryStream::Access::kRead);
  if (!in) return Fail(in.error());
  const std::vector<std::uint8_t> bytes = in->Read(static_cast<std::size_t>(in->Length()));
  if (Status s = in->Close(); !s) return Fail(s.error());

  Result<DecompressFunction> decompress = BindDecompress();
  if (!decompress) return Fail(decompress.error());
  Result<std::string> song = UnpackBar(bytes, archive, *decompress);
  if (!song) return Fail(song.error());

  // By default beside the archive (BULK.BAR gives BULK.bjs), where it cannot
  // replace the song the archive was made from.
  std::filesystem::path target = output.value_or(archive);
  if (!output) {
    target.replace_extension(".bjs");
    // An archive that already ends in ".bjs" would be replaced by its song.
    if (target == archive) target += ".bjs";
  }
  Result<AtomicFile> file = AtomicFile::Create(target);
  if (!file) return Fail(file.error());
  file->stream().Write(*song);
  if (Status s = file->Commit(); !s) return Fail(s.error());
  std::cout << target.string() << '\n';
  return kExitOk;
}

}  // namespace zembra::cli
