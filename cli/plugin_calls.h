#pragma once

#include "archive/bar_reader.h"
#include "archive/bar_writer.h"
#include "platform/result.h"

namespace zembra::cli {

// The compression plug-in bound as the window binds it at start-up; an error
// names the plug-in and the reason. Binding again does nothing.
Status BindPlugin();

// Packs through the plug-in's CompressZLibKRO, as the window's Create BJS does.
CompressFunction PluginCompress();

// The plug-in's DecompressZLibKRO, looked up by its declaration once the
// plug-in is bound; an error when it is not registered.
Result<DecompressFunction> BindDecompress();

}  // namespace zembra::cli
