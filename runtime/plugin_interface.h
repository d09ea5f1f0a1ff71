#pragma once

// The one interface between the host runtime and its plug-ins: the records
// both sides read, the callback names a plug-in asks the resolver for, and
// the signatures behind those names. Plug-ins include only this header; they
// never link against the runtime.

#include <cstddef>
#include <cstdint>

extern "C" {

// Any code address handed across the interface; callers cast it back to the
// signature that the declaration or callback name stands for.
typedef void (*REALproc)(void);

// Answers a callback name with its address, or null when the host has none.
typedef void* (*REALresolver)(const char* name);

// Host objects. Only the string record is read by plug-ins; the others are
// reached through callbacks or, for class instances, the data offset below.
typedef struct REALstringRecord* REALstring;
typedef struct REALobjectRecord* REALobject;
typedef struct REALmemoryBlockRecord* REALmemoryBlock;
typedef struct REALfolderItemRecord* REALfolderItem;

// Host integers are signed 32-bit; host booleans are one byte.
typedef int32_t RBInteger;
typedef bool RBBoolean;

// A host string. The host owns the record and counts references; a plug-in
// reads the bytes in place. The bytes need not be NUL-terminated.
struct REALstringRecord {
  uint32_t refCount;
  uint32_t encoding;
  size_t length;
  const char* bytes;
};

// Encoding codes of host strings.
enum : uint32_t {
  kREALEncodingNone = 0,
  kREALEncodingASCII = 0x600,
  kREALEncodingUTF8 = 0x08000100,
  kREALEncodingRaw = 0xFFFF,
};

// The bytes of `str` and their count; an absent string reads as empty.
inline const char* REALGetStringContents(REALstring str, size_t* length) {
  if (str == nullptr) {
    if (length != nullptr) *length = 0;
    return "";
  }
  if (length != nullptr) *length = str->length;
  return str->bytes;
}

// A method as current hosts read it: four words.
struct REALmethodDefinition {
  REALproc function;
  REALproc setterFunction;
  const char* declaration;
  uintptr_t mFlags;
};

// The same entry as hosts older than kREALFourWordMethodsSince read it.
struct REALmethodDefinitionOld {
  REALproc function;
  REALproc setterFunction;
  const char* declaration;
};

// First host version that reads class method tables as four-word entries.
constexpr double kREALFourWordMethodsSince = 5.9;

// Interface version plug-ins of this header announce, and the class
// definition version they fill in.
constexpr int32_t kREALPluginInterfaceVersion = 9;

constexpr uintptr_t kREALMethodFlags = 4;
constexpr uintptr_t kREALPropertyFlags = 6;
constexpr uintptr_t kREALClassFlags = 4;

// A property. With the standard accessor in `getter` or `setter`, the host
// reads or writes the instance record field at offset `param` itself, typed
// by `type` ("Integer": RBInteger, "Boolean": RBBoolean, "String": REALstring).
// Otherwise `getter` is called as Type(REALobject, intptr_t param) and
// `setter` as void(REALobject, intptr_t param, Type); a null setter makes the
// property read-only. Strings returned by getters belong to the caller.
struct REALproperty {
  const char* group;
  const char* name;
  const char* type;
  uintptr_t flags;
  REALproc getter;
  REALproc setter;
  intptr_t param;
};

#define REALstandardGetter (reinterpret_cast<REALproc>(static_cast<intptr_t>(-1)))
#define REALstandardSetter (reinterpret_cast<REALproc>(static_cast<intptr_t>(-1)))

// A class. The host places each instance's record (`dataSize` bytes,
// zero-filled, aligned for any type) inside its own object and stores at
// registration, in `forSystemUse`, the offset of the record from the object's
// address. `methods` points at `methodCount` entries in the form the host's
// version reads: REALmethodDefinition, or REALmethodDefinitionOld for hosts
// older than kREALFourWordMethodsSince. Constructors and destructors are
// called as void(REALobject); methods as Result(REALobject, arguments...).
struct REALclassDefinition {
  uint32_t version;
  const char* name;
  const char* superName;
  uint32_t dataSize;
  uintptr_t forSystemUse;
  REALproc constructor;
  REALproc destructor;
  REALproperty* properties;
  uint32_t propertyCount;
  const void* methods;
  uint32_t methodCount;
  const void* events;
  uint32_t eventCount;
  const void* eventInstances;
  uint32_t eventInstanceCount;
  const char* interfaces;
  const void* constants;
  uint32_t constantCount;
  uint32_t mFlags;
  const void* sharedProperties;
  uint32_t sharedPropertyCount;
  const void* sharedMethods;
  uint32_t sharedMethodCount;
};

// The instance record of `instance`, an object of the class `definition`.
inline void* REALGetInstanceData(const REALclassDefinition* definition, REALobject instance) {
  return reinterpret_cast<char*>(instance) + definition->forSystemUse;
}

// Host callbacks, by the name a plug-in asks the resolver for:
typedef void (*RegisterPluginVersionProc)(int32_t version);       // "RegisterPluginVersion"
typedef void (*PluginRegisterClassProc)(REALclassDefinition*);    // "PluginRegisterClass"
typedef void (*PluginRegisterMethodProc)(REALmethodDefinition*);  // "PluginRegisterMethod"
typedef double (*REALGetRBVersionProc)(void);                     // "REALGetRBVersion"
// "REALBuildString": a new string holding one reference for the caller.
typedef REALstring (*REALBuildStringProc)(const char* bytes, size_t length);
typedef void (*REALSetStringEncodingProc)(REALstring, uint32_t encoding);  // same name
typedef void (*REALUnlockStringProc)(REALstring);  // "REALUnlockString": drops one reference
// "REALpathFromFolderItem": the item's path as a new string, or null.
typedef REALstring (*REALpathFromFolderItemProc)(REALfolderItem);
typedef void* (*REALMemoryBlockGetPtrProc)(REALmemoryBlock);    // "memoryBlockGetPtr"
typedef size_t (*REALMemoryBlockGetSizeProc)(REALmemoryBlock);  // "REALMemoryBlockGetSize"

// The plug-in's exports.
typedef void (*REALPluginMainProc)(REALresolver resolver);  // "REALPluginMain"
typedef void (*PluginEntryProc)(void);                      // "PluginEntry"

}  // extern "C"
