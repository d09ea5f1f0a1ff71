#pragma once

namespace zembra::plugin {

// Register ZLibCompressKRO and ZLibDecompressKRO with the host.
void RegisterZipCompressClass();
void RegisterZipUncompressClass();

}  // namespace zembra::plugin
