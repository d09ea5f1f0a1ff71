#include "platform/file_sync.h"

#include <unistd.h>

namespace zembra {

namespace {
SyncFileFunction sync_function = &::fsync;
}  // namespace

int SyncFile(int fd) {
  return sync_function(fd);
}

SyncFileFunction SetSyncFileFunction(SyncFileFunction sync) {
  const SyncFileFunction previous = sync_function;
  sync_function = sync ? sync : &::fsync;
  return previous;
}

}  // namespace zembra
