#include "plugin/zip_stream_classes.h"

#include <zlib.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "plugin/host_callbacks.h"
#include "plugin/one_shot.h"

namespace zembra::plugin {
namespace {

constexpr uInt kInputSize = 65536;
constexpr uInt kOutputSize = 131072;

// The instance record of both classes: one zlib stream over two buffers the
// instance owns. `error` is the zlib code of the last InitZip, ProcessZip or
// EndZip.
struct ZipStreamRecord {
  int32_t error;
  z_stream stream;
  Bytef* input;
  Bytef* output;
};

enum class Direction { kCompress, kDecompress };

extern REALclassDefinition ZipCompressClass;
extern REALclassDefinition ZipUncompressClass;

template <Direction D>
ZipStreamRecord* RecordOf(REALobject instance) {
  REALclassDefinition* definition =
      D == Direction::kCompress ? &ZipCompressClass : &ZipUncompressClass;
  return static_cast<ZipStreamRecord*>(REALGetInstanceData(definition, instance));
}

bool HasBuffers(const ZipStreamRecord* r) {
  return r->input != nullptr && r->output != nullptr;
}

// zlib keeps its state behind `state` from a successful init until the end call.
bool StreamOpen(const ZipStreamRecord* r) {
  return r->stream.state != nullptr;
}

void ResetPointers(ZipStreamRecord* r) {
  r->stream.next_in = r->input;
  r->stream.avail_in = 0;
  r->stream.next_out = r->output;
  r->stream.avail_out = r->output != nullptr ? kOutputSize : 0;
}

template <Direction D>
int EndStream(ZipStreamRecord* r) {
  return D == Direction::kCompress ? deflateEnd(&r->stream) : inflateEnd(&r->stream);
}

template <Direction D>
void Constructor(REALobject instance) {
  ZipStreamRecord* r = RecordOf<D>(instance);
  r->input = static_cast<Bytef*>(std::calloc(kInputSize, 1));
  r->output = static_cast<Bytef*>(std::calloc(kOutputSize, 1));
  if (!HasBuffers(r)) {
    std::free(r->input);
    std::free(r->output);
    r->input = r->output = nullptr;
  }
  // Nothing is waiting in a new instance's output buffer.
  ResetPointers(r);
}

// Also the destructor. A stream still open is ended here, so zlib's state
// never outlives the instance or points into freed buffers.
template <Direction D>
void Close(REALobject instance) {
  ZipStreamRecord* r = RecordOf<D>(instance);
  if (StreamOpen(r)) EndStream<D>(r);
  std::free(r->input);
  std::free(r->output);
  r->input = r->output = nullptr;
  ResetPointers(r);
}

template <Direction D>
void Init(ZipStreamRecord* r, int level) {
  if (!HasBuffers(r)) {
    r->error = Z_MEM_ERROR;
    return;
  }
  // A stream left open would leak zlib's state; starting afresh ends it.
  if (StreamOpen(r)) EndStream<D>(r);
  ResetPointers(r);
  r->error = D == Direction::kCompress ? deflateInit(&r->stream, level) : inflateInit(&r->stream);
}

void CompressInitZip(REALobject instance, RBInteger level) {
  Init<Direction::kCompress>(RecordOf<Direction::kCompress>(instance), level);
}

void DecompressInitZip(REALobject instance) {
  Init<Direction::kDecompress>(RecordOf<Direction::kDecompress>(instance), 0);
}

template <Direction D>
RBBoolean SetInput(REALobject instance, REALstring data) {
  ZipStreamRecord* r = RecordOf<D>(instance);
  if (data == nullptr || r->input == nullptr) return false;
  size_t n = 0;
  const char* bytes = REALGetStringContents(data, &n);
  if (n == 0 || n > kInputSize) return false;
  std::memcpy(r->input, bytes, n);
  r->stream.next_in = r->input;
  r->stream.avail_in = static_cast<uInt>(n);
  return true;
}

template <Direction D>
void ProcessZip(REALobject instance) {
  ZipStreamRecord* r = RecordOf<D>(instance);
  if (!HasBuffers(r)) {
    r->error = Z_STREAM_ERROR;
    return;
  }
  r->error =
      D == Direction::kCompress ? deflate(&r->stream, Z_NO_FLUSH) : inflate(&r->stream, Z_NO_FLUSH);
}

void CompressEndZip(REALobject instance) {
  ZipStreamRecord* r = RecordOf<Direction::kCompress>(instance);
  if (!HasBuffers(r)) {
    r->error = Z_STREAM_ERROR;
    return;
  }
  // Z_OK means the output space ran out before the stream was complete: it
  // is ended all the same and reported as cut short. zlib's deflateEnd says
  // so only while input is left over, so the code is set here. Any error
  // leaves the stream open to try again.
  int code = deflate(&r->stream, Z_FINISH);
  if (code == Z_STREAM_END) {
    code = deflateEnd(&r->stream);
  } else if (code == Z_OK) {
    deflateEnd(&r->stream);
    code = Z_DATA_ERROR;
  }
  r->error = code;
}

void DecompressEndZip(REALobject instance) {
  ZipStreamRecord* r = RecordOf<Direction::kDecompress>(instance);
  if (!HasBuffers(r)) {
    r->error = Z_STREAM_ERROR;
    return;
  }
  r->error = inflateEnd(&r->stream);
}

template <Direction D>
REALstring GetOutput(REALobject instance) {
  ZipStreamRecord* r = RecordOf<D>(instance);
  if (r->output == nullptr) return nullptr;
  const int64_t waiting = int64_t{kOutputSize} - r->stream.avail_out;
  if (waiting <= 0 || waiting > kOutputSize) return nullptr;
  REALstring result =
      REALBuildUnicodeString(r->output, static_cast<size_t>(waiting), kREALEncodingRaw);
  r->stream.next_out = r->output;
  r->stream.avail_out = kOutputSize;
  return result;
}

template <Direction D>
RBInteger InputAvail(REALobject instance) {
  return static_cast<RBInteger>(RecordOf<D>(instance)->stream.avail_in);
}

template <Direction D>
RBInteger OutputSize(REALobject instance) {
  ZipStreamRecord* r = RecordOf<D>(instance);
  if (r->output == nullptr) return 0;
  return static_cast<RBInteger>(kOutputSize - r->stream.avail_out);
}

template <Direction D>
REALstring ErrorMessage(REALobject instance, intptr_t) {
  const char* message = RecordOf<D>(instance)->stream.msg;
  if (message == nullptr) return nullptr;
  return REALBuildUnicodeString(message, std::strlen(message), kREALEncodingNone);
}

RBInteger CRC(REALobject instance, intptr_t) {
  return static_cast<RBInteger>(
      static_cast<uint32_t>(RecordOf<Direction::kCompress>(instance)->stream.adler));
}

// The host reads and writes these counters as 32-bit integers: the low half
// of zlib's wider counters.
constexpr intptr_t kLow32 = std::endian::native == std::endian::big ? sizeof(uLong) - 4 : 0;
constexpr intptr_t kTotalInputField =
    offsetof(ZipStreamRecord, stream) + offsetof(z_stream, total_in) + kLow32;
constexpr intptr_t kTotalOutputField =
    offsetof(ZipStreamRecord, stream) + offsetof(z_stream, total_out) + kLow32;
constexpr intptr_t kErrorField = offsetof(ZipStreamRecord, error);

REALmethodDefinition compressMethods[] = {
    {Proc(&Close<Direction::kCompress>), nullptr, "Close", kREALMethodFlags},
    {Proc(&ProcessZip<Direction::kCompress>), nullptr, "ProcessZip", kREALMethodFlags},
    {Proc(&CompressEndZip), nullptr, "EndZip", kREALMethodFlags},
    {Proc(&CompressInitZip), nullptr, "InitZip(level as integer)", kREALMethodFlags},
    {Proc(&SetInput<Direction::kCompress>), nullptr, "SetInput(data as string) as boolean",
     kREALMethodFlags},
    {Proc(&GetOutput<Direction::kCompress>), nullptr, "GetOutput as string", kREALMethodFlags},
    {Proc(&InputAvail<Direction::kCompress>), nullptr, "InputAvail as integer", kREALMethodFlags},
    {Proc(&OutputSize<Direction::kCompress>), nullptr, "OutputSize as integer", kREALMethodFlags},
    {Proc(&strAdler32), nullptr, kAdler32Declaration, kREALMethodFlags},
    {Proc(&strCRC32), nullptr, kCRC32Declaration, kREALMethodFlags},
};

REALmethodDefinition decompressMethods[] = {
    {Proc(&Close<Direction::kDecompress>), nullptr, "Close", kREALMethodFlags},
    {Proc(&ProcessZip<Direction::kDecompress>), nullptr, "ProcessZip", kREALMethodFlags},
    {Proc(&DecompressEndZip), nullptr, "EndZip", kREALMethodFlags},
    {Proc(&DecompressInitZip), nullptr, "InitZip", kREALMethodFlags},
    {Proc(&SetInput<Direction::kDecompress>), nullptr, "SetInput(data as string) as boolean",
     kREALMethodFlags},
    {Proc(&GetOutput<Direction::kDecompress>), nullptr, "GetOutput as string", kREALMethodFlags},
    {Proc(&InputAvail<Direction::kDecompress>), nullptr, "InputAvail as integer", kREALMethodFlags},
    {Proc(&OutputSize<Direction::kDecompress>), nullptr, "OutputSize as integer", kREALMethodFlags},
    {Proc(&strAdler32), nullptr, kAdler32Declaration, kREALMethodFlags},
    {Proc(&strCRC32), nullptr, kCRC32Declaration, kREALMethodFlags},
};

REALproperty compressProperties[] = {
    {nullptr, "TotalInput", "Integer", kREALPropertyFlags, REALstandardGetter, REALstandardSetter,
     kTotalInputField},
    {nullptr, "TotalOutput", "Integer", kREALPropertyFlags, REALstandardGetter, REALstandardSetter,
     kTotalOutputField},
    {nullptr, "Error", "Integer", kREALPropertyFlags, REALstandardGetter, REALstandardSetter,
     kErrorField},
    {nullptr, "Version", "String", kREALPropertyFlags, Proc(&GetZlibVersionRB), nullptr, 0},
    {nullptr, "ErrorMessage", "String", kREALPropertyFlags,
     Proc(&ErrorMessage<Direction::kCompress>), nullptr, 0},
    {nullptr, "CRC", "Integer", kREALPropertyFlags, Proc(&CRC), nullptr, 0},
};

REALproperty decompressProperties[] = {
    {nullptr, "TotalInput", "Integer", kREALPropertyFlags, REALstandardGetter, REALstandardSetter,
     kTotalInputField},
    {nullptr, "TotalOutput", "Integer", kREALPropertyFlags, REALstandardGetter, REALstandardSetter,
     kTotalOutputField},
    {nullptr, "Error", "Integer", kREALPropertyFlags, REALstandardGetter, REALstandardSetter,
     kErrorField},
    {nullptr, "ErrorMessage", "String", kREALPropertyFlags,
     Proc(&ErrorMessage<Direction::kDecompress>), nullptr, 0},
    {nullptr, "Version", "String", kREALPropertyFlags, Proc(&GetZlibVersionRB), nullptr, 0},
};

REALclassDefinition ZipCompressClass = ClassDefinition(
    "ZLibCompressKRO", sizeof(ZipStreamRecord), Proc(&Constructor<Direction::kCompress>),
    Proc(&Close<Direction::kCompress>), compressProperties, compressMethods);

REALclassDefinition ZipUncompressClass = ClassDefinition(
    "ZLibDecompressKRO", sizeof(ZipStreamRecord), Proc(&Constructor<Direction::kDecompress>),
    Proc(&Close<Direction::kDecompress>), decompressProperties, decompressMethods);

}  // namespace

void RegisterZipCompressClass() {
  ZipCompressClass.methods = compressMethods;  // the four-word table, also on a second entry
  REALRegisterClass(&ZipCompressClass);
}

void RegisterZipUncompressClass() {
  ZipUncompressClass.methods = decompressMethods;
  REALRegisterClass(&ZipUncompressClass);
}

}  // namespace zembra::plugin
