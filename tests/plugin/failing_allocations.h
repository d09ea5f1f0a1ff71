#pragma once

namespace zembra::test {

// The test program replaces operator new, so that a test can play a machine
// out of memory: while failing, every allocation from `skip` onward (0: the
// very next) throws std::bad_alloc, or answers null in its nothrow form. The
// plug-in's allocations come here too, as the program's replacement is the
// process's operator new.
void FailAllocations(int skip = 0);
void AllowAllocations();
// Allocations refused since FailAllocations.
int RefusedAllocations();

// Fails allocations for one scope.
class OutOfMemory {
 public:
  explicit OutOfMemory(int skip = 0) { FailAllocations(skip); }
  ~OutOfMemory() { AllowAllocations(); }
  OutOfMemory(const OutOfMemory&) = delete;
  OutOfMemory& operator=(const OutOfMemory&) = delete;
};

}  // namespace zembra::test
