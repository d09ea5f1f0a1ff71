#pragma once

namespace zembra::plugin {

// Register GZipFileKRO with the host.
void RegisterGZipFileClass();

}  // namespace zembra::plugin
