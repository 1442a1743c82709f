#include "host/db/memory.hpp"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace host {

void adviseLargePages(const void* data, std::size_t bytes) {
#ifdef __linux__
  constexpr std::uintptr_t kHuge = std::uintptr_t(2) << 20;
  if (!data || bytes < 4 * kHuge) return;
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kHuge - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace host
