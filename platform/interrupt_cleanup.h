#pragma once

namespace zembra::interrupt {

// What to undo for one file under way if the process is interrupted.
enum class Undo {
  kNothing,
  kRemove,             // remove the temporary
  kSwapBack,           // the temporary holds the earlier file: swap it back, then remove
  kRemoveDestination,  // nothing stood there before: remove the new file
};

// Lets SIGINT, SIGTERM, SIGHUP and SIGQUIT undo the files under way before
// the process ends as it would have, and turns SIGXFSZ into a write error
// (EFBIG). Dispositions a program set itself are left alone. Once per process.
void InstallHandlers();

// A place in the table the handler reads, or -1 when all are taken (the
// file is then only cleaned up by a later run).
int Claim();
void Set(int slot, Undo undo, const char* temporary, const char* destination);
void Release(int slot);

}  // namespace zembra::interrupt
