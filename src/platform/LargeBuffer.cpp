#include "platform/LargeBuffer.h"

#include <sys/mman.h>
#include <unistd.h>
#include <new>

namespace orv {

uint8_t* NewLargeBuffer(size_t bytes) {
  uint8_t* p = new (std::nothrow) uint8_t[bytes ? bytes : 1];
  constexpr size_t kHugeFrom = size_t(4) << 20;
  if (p && bytes >= kHugeFrom) {
    // Only the whole pages inside the block are advised; the advice is a hint and may fail.
    const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
    uintptr_t begin = (uintptr_t(p) + page - 1) & ~(page - 1);
    uintptr_t end = (uintptr_t(p) + bytes) & ~(page - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  }
  return p;
}

}  // namespace orv
