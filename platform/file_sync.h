#pragma once

namespace zembra {

// Asks the OS to store an open file's bytes durably (fsync). Whatever must
// be on the disk before a rename goes through here, so that a test can put
// a double in its place to see when it runs or to make it fail.
int SyncFile(int fd);

using SyncFileFunction = int (*)(int fd);
// Makes SyncFile call `sync` (fsync when null); returns the previous one.
SyncFileFunction SetSyncFileFunction(SyncFileFunction sync);

}  // namespace zembra
