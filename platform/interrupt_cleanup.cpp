#include "platform/interrupt_cleanup.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace zembra::interrupt {
namespace {

// Fixed storage: the handler may neither allocate nor lock.
struct Slot {
  std::atomic<bool> taken{false};
  std::atomic<Undo> undo{Undo::kNothing};
  char temporary[PATH_MAX] = {};
  char destination[PATH_MAX] = {};
};

constexpr int kSlots = 8;
Slot slots[kSlots];

constexpr int kHandled[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void UndoAll() {
  for (Slot& slot : slots) {
    switch (slot.undo.exchange(Undo::kNothing)) {
      case Undo::kNothing:
        break;
      case Undo::kRemove:
        ::unlink(slot.temporary);
        break;
      case Undo::kSwapBack:
        ::renameat2(AT_FDCWD, slot.temporary, AT_FDCWD, slot.destination, RENAME_EXCHANGE);
        ::unlink(slot.temporary);
        break;
      case Undo::kRemoveDestination:
        ::unlink(slot.destination);
        break;
    }
  }
}

void OnSignal(int number) {
  const int saved = errno;
  UndoAll();
  // Installed with SA_RESETHAND and SA_NODEFER: this ends the process as
  // the signal would have, with the same status.
  ::raise(number);
  errno = saved;
}

bool IsDefault(int number) {
  struct sigaction current {};
  return ::sigaction(number, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
         current.sa_handler == SIG_DFL;
}

}  // namespace

void InstallHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int number : kHandled) {
      if (!IsDefault(number)) continue;
      struct sigaction action {};
      action.sa_handler = OnSignal;
      action.sa_flags = SA_RESETHAND | SA_NODEFER;
      sigemptyset(&action.sa_mask);
      ::sigaction(number, &action, nullptr);
    }
    if (IsDefault(SIGXFSZ)) ::signal(SIGXFSZ, SIG_IGN);
  });
}

int Claim() {
  for (int i = 0; i < kSlots; ++i) {
    bool expected = false;
    if (slots[i].taken.compare_exchange_strong(expected, true)) return i;
  }
  return -1;
}

void Set(int slot, Undo undo, const char* temporary, const char* destination) {
  if (slot < 0) return;
  Slot& s = slots[slot];
  s.undo = Undo::kNothing;
  // Names that do not fit are not undone here; a later run cleans up.
  if (std::strlen(temporary) >= PATH_MAX || std::strlen(destination) >= PATH_MAX) return;
  std::strcpy(s.temporary, temporary);
  std::strcpy(s.destination, destination);
  s.undo = undo;
}

void Release(int slot) {
  if (slot < 0) return;
  slots[slot].undo = Undo::kNothing;
  slots[slot].taken = false;
}

}  // namespace zembra::interrupt
