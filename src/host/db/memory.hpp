// Large buffers touched once, page by page (a drawing's text, a chain of
// millions of values): large pages, where the system offers them, save most
// of the page faults. The advice is given before the first touch.
#pragma once

#include <cstddef>

namespace host {

// Asks for large pages over the whole 2 MiB pages inside [data, data+bytes);
// does nothing for buffers under 8 MiB or where the system has no such
// advice.
void adviseLargePages(const void* data, std::size_t bytes);

// Reserves room for n elements and gives the advice for the new buffer.
template <class Vector>
void reserveLarge(Vector& v, std::size_t n) {
  if (n <= v.capacity()) return;
  v.reserve(n);
  adviseLargePages(v.data(), v.capacity() * sizeof(typename Vector::value_type));
}

}  // namespace host
