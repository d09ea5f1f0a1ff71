#include "runtime/host_objects.h"

#include <string>
#include <vector>

#include "runtime/host_string.h"

struct REALmemoryBlockRecord {
  // Never empty, so even a zero-size block has a valid base address.
  std::vector<char> bytes;
  size_t size = 0;
};

struct REALfolderItemRecord {
  std::string path;
};

namespace zembra {

HostMemoryBlock::HostMemoryBlock(std::string_view contents)
    : block_(new REALmemoryBlockRecord{std::vector<char>(contents.size() + 1), contents.size()}) {
  contents.copy(block_->bytes.data(), contents.size());
}

HostMemoryBlock::~HostMemoryBlock() {
  delete block_;
}

HostFolderItem::HostFolderItem(const std::filesystem::path& path)
    : item_(new REALfolderItemRecord{path.string()}) {}

HostFolderItem::~HostFolderItem() {
  delete item_;
}

void* HostMemoryBlockGetPtr(REALmemoryBlock block) {
  return block != nullptr ? block->bytes.data() : nullptr;
}

size_t HostMemoryBlockGetSize(REALmemoryBlock block) {
  return block != nullptr ? block->size : 0;
}

REALstring HostPathFromFolderItem(REALfolderItem item) {
  if (item == nullptr) return nullptr;
  REALstring path = HostBuildString(item->path.data(), item->path.size());
  HostSetStringEncoding(path, kREALEncodingUTF8);
  return path;
}

}  // namespace zembra
