// Estimation of a plane similarity (four parameters: translation, rotation,
// scale) from pairs of calage points, by least squares about the centroids.
//
// The source point (x, y) of a pair goes to
//   X' = s (cos θ dx + sin θ dy) + Tx + x̄
//   Y' = s (cos θ dy - sin θ dx) + Ty + ȳ
// with dx = x - x̄, dy = y - ȳ: θ turns clockwise, and the translation is the
// difference of the centroids (target minus source).
#pragma once

#include <string>
#include <vector>

struct pointCalage {
  double x = 0, y = 0;
};

struct resultatHelmert {
  // False when there is no result: lists of different lengths, no pair,
  // a coordinate that is not finite, or source points all at one place
  // (the rotation and the scale are then undefined). `message` says why.
  bool ok = false;
  std::wstring message;

  double xMoyenDepart = 0, yMoyenDepart = 0;  // centroid of the source points
  double xMoyenFinal = 0, yMoyenFinal = 0;    // centroid of the target points
  double tx = 0, ty = 0;                      // target centroid - source centroid
  double a = 0, b = 0;                        // s cos θ, s sin θ
  double rotation = 0;                        // θ = atan2(b, a), radians, clockwise
  double echelle = 0;                         // s = √(a² + b²)
  std::vector<pointCalage> transformes;       // the source points transformed
  std::vector<double> ecarts;                 // distance of each from its target

  // θ in grades (θ·200/π).
  double rotationGrades() const;
  // √(Σ dᵢ² / (n − 1)); 0 with fewer than two pairs.
  double emq() const;
  // Where the transformation sends any point.
  pointCalage transformer(const pointCalage& p) const;
};

resultatHelmert estimerHelmert(const std::vector<pointCalage>& depart, const std::vector<pointCalage>& final);
