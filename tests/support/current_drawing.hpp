// A drawing and a survey project made current for as long as the object
// lives; the ones that were current come back after.
#pragma once

#include "host/ed/editor.hpp"
#include "points/project.hpp"

namespace geltaro::testing {

class DessinCourant {
 public:
  DessinCourant(ZcDbDatabase& dessin, projetsTopo& projet) : dessin_(zcdbCurDwg()), projet_(tablesPoints) {
    zcdbSetCurDwg(&dessin);
    tablesPoints = &projet;
  }
  ~DessinCourant() {
    tablesPoints = projet_;
    zcdbSetCurDwg(dessin_);
  }
  DessinCourant(const DessinCourant&) = delete;
  DessinCourant& operator=(const DessinCourant&) = delete;

 private:
  ZcDbDatabase* dessin_;
  projetsTopo* projet_;
};

}  // namespace geltaro::testing
