#include "epsg_grids.h"

#include <algorithm>

namespace survey_rt {
namespace {

constexpr EpsgGrid kGrids[] = {
#include "epsg_grids.inc"
};

}  // namespace

std::span<const EpsgGrid> epsg_grids() { return kGrids; }

const EpsgGrid* find_epsg_grid(int code) {
  const auto* found = std::lower_bound(std::begin(kGrids), std::end(kGrids), code,
                                       [](const EpsgGrid& g, int c) { return g.code < c; });
  return found != std::end(kGrids) && found->code == code ? found : nullptr;
}

}  // namespace survey_rt
