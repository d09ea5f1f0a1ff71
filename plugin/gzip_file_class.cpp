#include "plugin/gzip_file_class.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "plugin/host_callbacks.h"
#include "plugin/one_shot.h"

namespace zembra::plugin {
namespace {

// The instance record: the open file (null when none) and the outcome of
// the last operation that records one.
struct GZipFileRecord {
  gzFile handle;
  int32_t lastError;
};

extern REALclassDefinition GZipFileClass;

GZipFileRecord* RecordOf(REALobject instance) {
  return static_cast<GZipFileRecord*>(REALGetInstanceData(&GZipFileClass, instance));
}

// The bytes of a host string as a NUL-terminated text for zlib, freed by its
// owner. Empty when there is no memory for it or when the string holds a NUL
// of its own, which would cut the text short. Never throws: Open is reached
// straight from the host.
class CText {
 public:
  explicit CText(REALstring str) {
    size_t n = 0;
    const char* bytes = REALGetStringContents(str, &n);
    if (n == SIZE_MAX || (n != 0 && std::memchr(bytes, '\0', n) != nullptr)) return;
    text_ = new (std::nothrow) char[n + 1];
    if (text_ == nullptr) return;
    if (n != 0) std::memcpy(text_, bytes, n);
    text_[n] = '\0';
  }
  ~CText() { delete[] text_; }
  CText(const CText&) = delete;
  CText& operator=(const CText&) = delete;

  const char* get() const { return text_; }

 private:
  char* text_ = nullptr;
};

// Releases the host's path string on every way out of Open.
class PathString {
 public:
  explicit PathString(REALstring str) : str_(str) {}
  ~PathString() {
    if (str_ != nullptr) REALUnlockString(str_);
  }
  PathString(const PathString&) = delete;
  PathString& operator=(const PathString&) = delete;

  REALstring get() const { return str_; }

 private:
  REALstring str_;
};

RBBoolean Open(REALobject instance, REALfolderItem file, REALstring mode) {
  GZipFileRecord* r = RecordOf(instance);
  if (r->handle != nullptr) {
    r->lastError = gzclose(r->handle);
    r->handle = nullptr;
    if (r->lastError != 0) return false;
  }
  if (r->lastError != 0) return false;
  r->lastError = -1;
  static const char kDefaultMode[] = "rb";
  const CText modeText(mode);
  if (mode != nullptr && modeText.get() == nullptr) return false;
  if (file == nullptr) return false;
  const PathString path(REALpathFromFolderItem(file));
  if (path.get() == nullptr) return false;
  const CText name(path.get());
  if (name.get() == nullptr) return false;
  gzFile handle = gzopen(name.get(), mode != nullptr ? modeText.get() : kDefaultMode);
  if (handle == nullptr) return false;
  r->handle = handle;
  r->lastError = 0;
  return true;
}

// Also the destructor.
void Close(REALobject instance) {
  GZipFileRecord* r = RecordOf(instance);
  if (r->handle != nullptr) {
    r->lastError = gzclose(r->handle);
    r->handle = nullptr;
  } else {
    r->lastError = 0;
  }
}

void Write(REALobject instance, REALstring data) {
  GZipFileRecord* r = RecordOf(instance);
  r->lastError = -1;
  if (r->handle == nullptr || data == nullptr) return;
  size_t n = 0;
  const char* bytes = REALGetStringContents(data, &n);
  // gzwrite counts in int; a longer string would be cut short silently.
  if (n > INT32_MAX) return;
  if (gzwrite(r->handle, bytes, static_cast<unsigned>(n)) == static_cast<int>(n)) r->lastError = 0;
}

REALstring Read(REALobject instance, RBInteger count) {
  GZipFileRecord* r = RecordOf(instance);
  r->lastError = -1;
  if (r->handle == nullptr || count <= 0) return nullptr;
  void* scratch = std::calloc(static_cast<size_t>(count), 1);
  if (scratch == nullptr) return nullptr;
  REALstring result = nullptr;
  const int n = gzread(r->handle, scratch, static_cast<unsigned>(count));
  if (n >= 0) {
    r->lastError = 0;
    result = REALBuildUnicodeString(scratch, static_cast<size_t>(n), kREALEncodingRaw);
  }
  std::free(scratch);
  return result;
}

void WriteByte(REALobject instance, RBInteger data) {
  GZipFileRecord* r = RecordOf(instance);
  r->lastError = -1;
  if (r->handle != nullptr && gzputc(r->handle, data) != -1) r->lastError = 0;
}

RBInteger ReadByte(REALobject instance) {
  GZipFileRecord* r = RecordOf(instance);
  r->lastError = -1;
  return r->handle != nullptr ? gzgetc(r->handle) : -1;
}

void SetParameter(REALobject instance, RBInteger level, RBInteger strategy) {
  GZipFileRecord* r = RecordOf(instance);
  r->lastError = r->handle != nullptr ? gzsetparams(r->handle, level, strategy) : -1;
}

void Flush(REALobject instance, RBInteger flush) {
  GZipFileRecord* r = RecordOf(instance);
  r->lastError = r->handle != nullptr ? gzflush(r->handle, flush) : -1;
}

void Rewind(REALobject instance) {
  GZipFileRecord* r = RecordOf(instance);
  r->lastError = r->handle != nullptr ? gzrewind(r->handle) : -1;
}

RBBoolean GetEOF(REALobject instance, intptr_t) {
  GZipFileRecord* r = RecordOf(instance);
  r->lastError = -1;
  return r->handle == nullptr || gzeof(r->handle) == 1;
}

REALstring GetErrorMessage(REALobject instance, intptr_t) {
  GZipFileRecord* r = RecordOf(instance);
  r->lastError = -1;
  if (r->handle == nullptr) return nullptr;
  int code = 0;
  const char* message = gzerror(r->handle, &code);
  if (message == nullptr) return nullptr;
  return REALBuildUnicodeString(message, std::strlen(message), kREALEncodingASCII);
}

RBInteger GetErrorCode(REALobject instance, intptr_t) {
  GZipFileRecord* r = RecordOf(instance);
  r->lastError = -1;
  if (r->handle == nullptr) return -1;
  int code = 0;
  gzerror(r->handle, &code);
  return code;
}

RBInteger GetPosition(REALobject instance, intptr_t) {
  GZipFileRecord* r = RecordOf(instance);
  return r->handle != nullptr ? static_cast<RBInteger>(gztell(r->handle)) : -1;
}

void SetPosition(REALobject instance, intptr_t, RBInteger position) {
  GZipFileRecord* r = RecordOf(instance);
  if (r->handle != nullptr) gzseek(r->handle, position, SEEK_SET);
}

// Handle shows whether a file is open: non-zero (the low bits of zlib's
// handle) while one is, 0 otherwise. Programs may assign it, but only zlib's
// own handle is ever used, so an assignment changes nothing.
RBInteger GetHandle(REALobject instance, intptr_t) {
  const gzFile handle = RecordOf(instance)->handle;
  if (handle == nullptr) return 0;
  const auto shown = static_cast<RBInteger>(reinterpret_cast<uintptr_t>(handle));
  return shown != 0 ? shown : 1;
}

void SetHandle(REALobject, intptr_t, RBInteger) {}

REALmethodDefinition gzipMethods[] = {
    {Proc(&Open), nullptr, "Open(file as folderitem, mode as string) as boolean", kREALMethodFlags},
    {Proc(&Close), nullptr, "Close", kREALMethodFlags},
    {Proc(&Write), nullptr, "Write(data as string)", kREALMethodFlags},
    {Proc(&Read), nullptr, "Read(data as integer) as string", kREALMethodFlags},
    {Proc(&WriteByte), nullptr, "WriteByte(data as integer)", kREALMethodFlags},
    {Proc(&ReadByte), nullptr, "ReadByte as integer", kREALMethodFlags},
    {Proc(&SetParameter), nullptr, "SetParameter(level as integer, strategy as integer)",
     kREALMethodFlags},
    {Proc(&Flush), nullptr, "Flush(flush as integer)", kREALMethodFlags},
    {Proc(&Rewind), nullptr, "Rewind", kREALMethodFlags},
    {Proc(&strAdler32), nullptr, kAdler32Declaration, kREALMethodFlags},
    {Proc(&strCRC32), nullptr, kCRC32Declaration, kREALMethodFlags},
};

REALproperty gzipProperties[] = {
    {nullptr, "Handle", "Integer", kREALPropertyFlags, Proc(&GetHandle), Proc(&SetHandle), 0},
    {nullptr, "Lasterror", "Integer", kREALPropertyFlags, REALstandardGetter, REALstandardSetter,
     offsetof(GZipFileRecord, lastError)},
    {nullptr, "Version", "String", kREALPropertyFlags, Proc(&GetZlibVersionRB), nullptr, 0},
    {nullptr, "EOF", "Boolean", kREALPropertyFlags, Proc(&GetEOF), nullptr, 0},
    {nullptr, "ErrorMessage", "String", kREALPropertyFlags, Proc(&GetErrorMessage), nullptr, 0},
    {nullptr, "ErrorCode", "Integer", kREALPropertyFlags, Proc(&GetErrorCode), nullptr, 0},
    {nullptr, "Position", "Integer", kREALPropertyFlags, Proc(&GetPosition), Proc(&SetPosition), 0},
};

// No constructor of its own: a zero-filled record has no file open and Lasterror 0.
REALclassDefinition GZipFileClass = ClassDefinition("GZipFileKRO", sizeof(GZipFileRecord), nullptr,
                                                    Proc(&Close), gzipProperties, gzipMethods);

}  // namespace

void RegisterGZipFileClass() {
  GZipFileClass.methods = gzipMethods;  // the four-word table, also on a second entry
  REALRegisterClass(&GZipFileClass);
}

}  // namespace zembra::plugin
