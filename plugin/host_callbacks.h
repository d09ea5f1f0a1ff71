#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/plugin_interface.h"

namespace zembra::plugin {

// The resolver the host handed over at entry, kept for the library's life.
extern REALresolver gResolver;

// Wrappers of the host callbacks. Each asks the resolver for its callback on
// first use and keeps the answer; while the host has no such callback the
// wrapper does nothing, answers 0 or nil, and asks again on the next call.
// None of them throws: they are reached from the plug-in's C entry points.
// A class whose method table cannot be converted for an older host is not
// registered.
void REALRegisterClass(REALclassDefinition* definition);
void REALRegisterMethod(REALmethodDefinition* definition);
double REALGetRBVersion();
REALstring originalREALBuildString(const char* bytes, size_t length);
void REALSetStringEncoding(REALstring str, uint32_t encoding);
void REALUnlockString(REALstring str);
REALstring REALpathFromFolderItem(REALfolderItem item);
void* REALMemoryBlockGetPtr(REALmemoryBlock block);
// False when the host cannot tell a block's size; hosts need not offer it.
bool REALMemoryBlockGetSize(REALmemoryBlock block, size_t* size);

// A new host string of `length` bytes with the given encoding code, owned by
// the caller; nil for no bytes or when the host cannot make one.
REALstring REALBuildUnicodeString(const void* bytes, size_t length, uint32_t encoding);

// A function as a method-table or property-table address.
template <typename Fn>
REALproc Proc(Fn* fn) {
  return reinterpret_cast<REALproc>(fn);
}

// A class definition as every class of this plug-in registers it: no
// superclass, events, interfaces or constants, only its record, constructor,
// destructor, properties and four-word methods.
template <size_t P, size_t M>
REALclassDefinition ClassDefinition(const char* name, uint32_t data_size, REALproc constructor,
                                    REALproc destructor, REALproperty (&properties)[P],
                                    REALmethodDefinition (&methods)[M]) {
  REALclassDefinition d{};
  d.version = kREALPluginInterfaceVersion;
  d.name = name;
  d.dataSize = data_size;
  d.constructor = constructor;
  d.destructor = destructor;
  d.properties = properties;
  d.propertyCount = P;
  d.methods = methods;
  d.methodCount = M;
  d.mFlags = kREALClassFlags;
  return d;
}

}  // namespace zembra::plugin
