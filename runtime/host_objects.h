#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

#include "runtime/plugin_interface.h"

namespace zembra {

// A host memory block: a fixed-size byte buffer that the host owns and a
// plug-in reaches through "memoryBlockGetPtr" and "REALMemoryBlockGetSize".
class HostMemoryBlock {
 public:
  explicit HostMemoryBlock(std::string_view contents);
  ~HostMemoryBlock();
  HostMemoryBlock(const HostMemoryBlock&) = delete;
  HostMemoryBlock& operator=(const HostMemoryBlock&) = delete;

  REALmemoryBlock get() const { return block_; }

 private:
  REALmemoryBlock block_;
};

// A host folder item: a path on disk, handed to plug-ins through
// "REALpathFromFolderItem".
class HostFolderItem {
 public:
  explicit HostFolderItem(const std::filesystem::path& path);
  ~HostFolderItem();
  HostFolderItem(const HostFolderItem&) = delete;
  HostFolderItem& operator=(const HostFolderItem&) = delete;

  REALfolderItem get() const { return item_; }

 private:
  REALfolderItem item_;
};

// The callbacks behind those names.
void* HostMemoryBlockGetPtr(REALmemoryBlock block);
size_t HostMemoryBlockGetSize(REALmemoryBlock block);
REALstring HostPathFromFolderItem(REALfolderItem item);

}  // namespace zembra
