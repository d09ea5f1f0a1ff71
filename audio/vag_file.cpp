#include "audio/vag_file.h"

#include <algorithm>
#include <string>

#include "platform/binary_stream.h"
#include "platform/os_error.h"

namespace zembra {

namespace {

// The version ordinary-form files commonly carry, big-endian.
constexpr std::uint32_t kOrdinaryVersion = 0x20;

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, bool little) {
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t shift = little ? 8 * i : 8 * (3 - i);
    bytes[at + i] = static_cast<std::uint8_t>(value >> shift);
  }
}

std::string Quoted(const std::filesystem::path& path) {
  return "\"" + path.string() + "\"";
}

// How the header's data size and the bytes after the header disagree, if
// they do, and how many bytes of blocks to decode.
std::size_t DataToDecode(std::uint32_t declared, std::size_t present,
                         const std::filesystem::path& path, std::string& warning) {
  const std::size_t used = std::min<std::size_t>(declared, present);
  const std::size_t whole = used - used % kAdpcmBlockBytes;
  const std::string blocks = std::to_string(whole / kAdpcmBlockBytes) + " whole blocks";
  if (declared > present) {
    warning = Quoted(path) + ": the header declares " + std::to_string(declared) +
              " bytes of sound but the file holds " + std::to_string(present) + "; decoded the " +
              blocks + " there are.";
  } else if (used != whole) {
    warning = Quoted(path) + ": the header declares " + std::to_string(declared) +
              " bytes of sound, not a whole number of 16-byte blocks; decoded the " + blocks + ".";
  } else if (declared < present) {
    warning = Quoted(path) + ": the header declares " + std::to_string(declared) +
              " bytes of sound but the file holds " + std::to_string(present) + "; decoded the " +
              blocks + " declared.";
  }
  return whole;
}

}  // namespace

double VagFile::duration_seconds() const {
  return sample_rate == 0 ? 0.0 : static_cast<double>(pcm.size()) / sample_rate;
}

Result<VagFile> ParseVagFile(std::span<const std::uint8_t> bytes, const std::filesystem::path& path,
                             AdpcmRounding rounding) {
  const std::optional<VagHeader> header = ParseVagHeader(bytes);
  if (!header) {
    const bool vag = bytes.size() >= kVagMagic.size() &&
                     std::equal(kVagMagic.begin(), kVagMagic.end(), bytes.begin());
    return FileError("read", path,
                     vag ? "its VAG header is cut short"
                         : "it is not a VAG file (it does not begin with \"VAGp\")");
  }
  if (bytes.size() < kVagFileHeaderSize) {
    return FileError("read", path,
                     "its VAG header is cut short (" + std::to_string(bytes.size()) + " of " +
                         std::to_string(kVagFileHeaderSize) + " bytes)");
  }
  if (header->sample_rate == 0 || header->sample_rate > kVagMaxSampleRate) {
    return FileError("read", path,
                     "its header declares a sample rate of " + std::to_string(header->sample_rate) +
                         " Hz; a VAG sample needs 1 to 192000 Hz");
  }
  VagFile vag;
  vag.form = header->form;
  vag.sample_rate = header->sample_rate;
  vag.declared_data_size = header->data_size;
  const auto name = bytes.subspan(kVagNameOffset, kVagNameSize);
  vag.name.assign(name.begin(), std::find(name.begin(), name.end(), 0));

  const std::span<const std::uint8_t> data = bytes.subspan(kVagFileHeaderSize);
  const std::size_t used = DataToDecode(header->data_size, data.size(), path, vag.warning);
  vag.pcm = DecodeAdpcm(data.first(used), rounding);
  vag.blocks.reserve(used / kAdpcmBlockBytes);
  for (std::size_t at = 0; at < used; at += kAdpcmBlockBytes) {
    const AdpcmBlockHeader block = ReadAdpcmBlockHeader(data.subspan(at).first<kAdpcmBlockBytes>());
    const std::size_t index = vag.blocks.size();
    if ((block.flags & kAdpcmFlagLoopStart) && !vag.loop_start_block) {
      vag.loop_start_block = index;
    }
    if ((block.flags & kAdpcmFlagEnd) && !vag.end_block) {
      vag.end_block = index;
      vag.loops = (block.flags & kAdpcmFlagLoop) != 0;
    }
    vag.blocks.push_back(block);
  }
  return vag;
}

Result<VagFile> ReadVagFile(const std::filesystem::path& path, AdpcmRounding rounding) {
  Result<BinaryStream> stream = BinaryStream::OpenRegular(path, BinaryStream::Access::kRead);
  if (!stream) return stream.error();
  const std::vector<std::uint8_t> bytes = stream->Read(stream->Length());
  if (Status closed = stream->Close(); !closed) return closed.error();
  return ParseVagFile(bytes, path, rounding);
}

std::string VagNameFor(std::string_view stem) {
  std::string name;
  for (const char c : stem) {
    if (name.size() == kVagNameSize) break;
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 && byte < 0xC0) continue;  // the rest of a UTF-8 character
    name += (byte >= 0x20 && byte < 0x7F) ? c : '_';
  }
  return name;
}

std::vector<std::uint8_t> MakeVagFile(std::span<const std::uint8_t> adpcm,
                                      std::uint32_t sample_rate, std::string_view name,
                                      VagForm form) {
  std::vector<std::uint8_t> bytes(kVagFileHeaderSize);
  std::copy(kVagMagic.begin(), kVagMagic.end(), bytes.begin());
  const bool game = form == VagForm::kGame;
  Put32(bytes, 4, game ? 1 : kOrdinaryVersion, game);
  Put32(bytes, 12, static_cast<std::uint32_t>(adpcm.size()), game);
  Put32(bytes, 16, sample_rate, game);
  std::copy_n(name.begin(), std::min(name.size(), kVagNameSize), bytes.begin() + kVagNameOffset);
  bytes.insert(bytes.end(), adpcm.begin(), adpcm.end());
  return bytes;
}

}  // namespace zembra
