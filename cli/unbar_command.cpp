#include <zlib.h>

#include <array>
#include <iostream>
#include <vector>

#include "archive/bar_reader.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "platform/atomic_file.h"
#include "platform/binary_stream.h"
#include "platform/os_error.h"
#include "platform/terminal_text.h"
#include "songfile/song_file_reader.h"

namespace zembra::cli {
namespace {

constexpr std::size_t kChunk = 256 * 1024;

Error Refuse(const std::filesystem::path& archive, const std::string& reason) {
  return FileError("unpack", archive, reason);
}

// Inflates the packed data that follows the header of `in` into `out`, a
// chunk at a time, stopping at once when it would pass the announced size.
Status Inflate(BinaryStream& in, const BarHeader& header, const std::filesystem::path& archive,
               BinaryStream& out) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return Refuse(archive, "zlib could not be started");
  std::vector<std::uint8_t> packed;
  std::array<std::uint8_t, kChunk> buffer;
  std::uint64_t produced = 0;
  std::uint64_t left_to_read = header.packed_size;
  int status = Z_OK;
  while (status != Z_STREAM_END) {
    if (zs.avail_in == 0 && left_to_read > 0) {
      packed = in.Read(static_cast<std::size_t>(std::min<std::uint64_t>(left_to_read, kChunk)));
      if (packed.empty()) break;
      left_to_read -= packed.size();
      zs.next_in = packed.data();
      zs.avail_in = static_cast<uInt>(packed.size());
    }
    zs.next_out = buffer.data();
    zs.avail_out = static_cast<uInt>(buffer.size());
    status = inflate(&zs, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END) break;
    const std::size_t got = buffer.size() - zs.avail_out;
    produced += got;
    if (produced > header.unpacked_size) break;
    out.Write(std::span(buffer.data(), got));
    if (!out.status()) break;
    if (got == 0 && zs.avail_in == 0 && left_to_read == 0) break;  // cut short
  }
  const bool trailing = zs.avail_in > 0 || left_to_read > 0;
  inflateEnd(&zs);
  if (Status s = in.status(); !s) return s;
  if (Status s = out.status(); !s) return s;
  if (produced > header.unpacked_size) {
    return Refuse(archive, "its packed data inflates to more than the " +
                               std::to_string(header.unpacked_size) +
                               " bytes its header announces");
  }
  if (status != Z_STREAM_END) return Refuse(archive, "its packed data is corrupt or cut short");
  if (produced != header.unpacked_size) {
    return Refuse(archive, "its packed data inflates to " + std::to_string(produced) +
                               " bytes but the header announces " +
                               std::to_string(header.unpacked_size));
  }
  if (trailing) return Refuse(archive, "bytes follow the end of its packed data");
  return Ok();
}

}  // namespace

int RunUnbar(const std::filesystem::path& archive,
             const std::optional<std::filesystem::path>& output) {
  Result<BinaryStream> in = BinaryStream::OpenRegular(archive, BinaryStream::Access::kRead);
  if (!in) return Fail(in.error());
  // The header and the file's length are judged before anything else is read.
  const std::uint64_t length = in->Length();
  const std::vector<std::uint8_t> head = in->Read(kBarHeaderSize);
  if (Status s = in->status(); !s) return Fail(s.error());
  Result<BarHeader> header = CheckBarHeader(head, length, archive);
  if (!header) return Fail(header.error());

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
  if (Status s = Inflate(*in, *header, archive, file->stream()); !s) return Fail(s.error());

  // What is unpacked must read as a song; otherwise it is dropped unseen.
  file->stream().SetPosition(0);
  if (Result<SongFile> song = SongFile::ReadFrom(file->stream(), target); !song) {
    // The reader's reason, without its naming of the file not yet in place.
    const std::string& message = song.error().message;
    const std::size_t colon = message.find(": ");
    std::string reason = message.substr(colon == std::string::npos ? 0 : colon + 2);
    if (!reason.empty() && reason.back() == '.') reason.pop_back();
    return Fail(Refuse(archive, "what it holds is not a song (" + reason + ")"));
  }
  if (Status s = file->Commit(); !s) return Fail(s.error());
  std::cout << EscapeControlBytes(target.string()) << '\n';
  return kExitOk;
}

}  // namespace zembra::cli
