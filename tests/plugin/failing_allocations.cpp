#include "tests/plugin/failing_allocations.h"

#include <cstdlib>
#include <new>

namespace zembra::test {
namespace {

bool failing = false;
int toSkip = 0;
int refused = 0;

void* Allocate(std::size_t size) {
  if (failing) {
    if (toSkip == 0) {
      ++refused;
      return nullptr;
    }
    --toSkip;
  }
  return std::malloc(size == 0 ? 1 : size);
}

void* AllocateOrThrow(std::size_t size) {
  void* memory = Allocate(size);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

}  // namespace

void FailAllocations(int skip) {
  toSkip = skip;
  refused = 0;
  failing = true;
}

void AllowAllocations() {
  failing = false;
}

int RefusedAllocations() {
  return refused;
}

}  // namespace zembra::test

// Every unaligned form, so that each allocation meets the matching release.
void* operator new(std::size_t size) {
  return zembra::test::AllocateOrThrow(size);
}
void* operator new[](std::size_t size) {
  return zembra::test::AllocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return zembra::test::Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return zembra::test::Allocate(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
