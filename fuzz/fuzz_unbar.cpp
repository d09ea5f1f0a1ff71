// Any archive given to unbar gives the song its header announces, exactly
// that long, or an error; never a crash or a buffer sized by a false header.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "archive/bar_reader.h"
#include "fuzz/load_plugin.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> archive(data, size);
  const zembra::Result<std::string> song =
      zembra::UnpackBar(archive, "BULK.BAR", zembra::fuzz::Decompress);
  if (!song) return 0;
  const zembra::Result<zembra::BarHeader> header = zembra::ParseBarHeader(archive, "BULK.BAR");
  if (!header || song->size() != header->unpacked_size) std::abort();
  return 0;
}
