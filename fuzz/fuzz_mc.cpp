// Any bytes as a least-squares network file: read, listed, then the
// planimetry and the altimetry computed. Whatever the input, nothing may
// read out of bounds, divide by zero into a crash or loop without end, and
// a computed coordinate is either finite or left as it was.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "calc/reseau_mc.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Large networks only make the run slow; the reader is what is fuzzed.
  if (size > 4096) return 0;
  reseauMoindresCarres reseau;
  reseau.chargerTexte(std::string(reinterpret_cast<const char*>(data), size));
  reseau.lister();
  reseau.calculerXY();
  reseau.calculerZ();
  for (std::size_t i = 0; i < reseau.points.size(); ++i) {
    const pointACalculer& p = reseau.points[i];
    if (i < reseau.positionne.size() && reseau.positionne[i] && !(std::isfinite(p.X) && std::isfinite(p.Y)))
      std::abort();
  }
  return 0;
}
