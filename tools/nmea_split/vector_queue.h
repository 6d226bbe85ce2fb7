// A queue kept as a vector read from an index on (from): the items before
// it are let go of now and then, moved out when they are the most, so the
// vector keeps the room it took and a log of any length takes no more.
#pragma once

#include <cstddef>
#include <vector>

namespace nmea_split {

template <class T>
void let_go(std::vector<T>& queue, std::size_t& from) {
  if (from == queue.size()) {
    queue.clear();
    from = 0;
  } else if (from > 1024 && from * 2 > queue.size()) {
    queue.erase(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(from));
    from = 0;
  }
}

}  // namespace nmea_split
