// The plug-in's two exports; everything else in the library is hidden.

#include "plugin/gzip_file_class.h"
#include "plugin/host_callbacks.h"
#include "plugin/one_shot.h"
#include "plugin/zip_stream_classes.h"

#define PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

PLUGIN_EXPORT void PluginEntry() {
  using namespace zembra::plugin;
  RegisterZipCompressClass();
  RegisterGZipFileClass();
  RegisterZipUncompressClass();
  for (size_t i = 0; i < kGlobalMethodCount; ++i) REALRegisterMethod(&globalMethods[i]);
}

PLUGIN_EXPORT void REALPluginMain(REALresolver resolver) {
  using namespace zembra::plugin;
  gResolver = resolver;
  // A host without this callback takes plug-ins without asking their version.
  auto registerVersion = reinterpret_cast<RegisterPluginVersionProc>(
      resolver != nullptr ? resolver("RegisterPluginVersion") : nullptr);
  if (registerVersion != nullptr) registerVersion(kREALPluginInterfaceVersion);
  PluginEntry();
}
