#pragma once

#include <cstddef>

#include "runtime/plugin_interface.h"

namespace zembra::plugin {

// The six global methods, in the order they are registered.
extern REALmethodDefinition globalMethods[];
extern const size_t kGlobalMethodCount;

// Members every class of the plug-in carries; the instance is not used.
RBInteger strAdler32(REALobject instance, RBInteger start, REALstring data);
RBInteger strCRC32(REALobject instance, RBInteger start, REALstring data);
REALstring GetZlibVersionRB(REALobject instance, intptr_t param);

inline constexpr const char* kAdler32Declaration =
    "Adler32(start as integer, data as string) as integer";
inline constexpr const char* kCRC32Declaration =
    "CRC32(start as integer, data as string) as integer";

}  // namespace zembra::plugin
