#include "tools/superpos.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>
#include <boost/iterator/function_output_iterator.hpp>

#include "host/db/entities.hpp"
#include "host/ed/editor.hpp"
#include "host/lisp/lisp.hpp"
#include "tools/lisp_arguments.hpp"

namespace {

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;

using PointIndex = bg::model::point<double, 2, bg::cs::cartesian>;
using BoiteIndex = bg::model::box<PointIndex>;
using Entree = std::pair<BoiteIndex, std::size_t>;
using Index = bgi::rtree<Entree, bgi::rstar<16>>;

constexpr int kIterationsMax = 50;
// Labels thinner than this in either direction are not labels.
constexpr double kTailleMin = 1e-8;
// The eight places lie this far from the block, in scale factors: just
// outside a symbol drawn within the unit circle's half.
constexpr double kEcart = 0.55;

BoiteIndex versIndex(const boiteEtiquette& b) {
  return BoiteIndex(PointIndex(b.x, b.y), PointIndex(b.x + b.largeur, b.y + b.hauteur));
}

bool memeBoite(const boiteEtiquette& a, const boiteEtiquette& b) {
  return a.x == b.x && a.y == b.y && a.largeur == b.largeur && a.hauteur == b.hauteur;
}

// The labels and the index of their boxes, kept in step as labels move.
class Etiquettes {
 public:
  explicit Etiquettes(std::vector<etiquetteSuperpos>& etiquettes) : etiquettes_(etiquettes) {
    std::vector<Entree> entrees;
    entrees.reserve(etiquettes.size());
    for (std::size_t i = 0; i < etiquettes.size(); ++i) entrees.emplace_back(versIndex(etiquettes[i].boite), i);
    index_ = Index(entrees.begin(), entrees.end());  // packed in one go
  }

  // Sum of the areas the box `b` shares with the labels other than `i`.
  double recouvrement(std::size_t i, const boiteEtiquette& b) const {
    double somme = 0;
    const double x2 = b.x + b.largeur, y2 = b.y + b.hauteur;
    index_.query(bgi::intersects(versIndex(b)), boost::make_function_output_iterator([&](const Entree& e) {
                   if (e.second == i) return;
                   const boiteEtiquette& o = etiquettes_[e.second].boite;
                   const double l = std::min(x2, o.x + o.largeur) - std::max(b.x, o.x);
                   const double h = std::min(y2, o.y + o.hauteur) - std::max(b.y, o.y);
                   if (l > 0 && h > 0) somme += l * h;
                 }));
    return somme;
  }

  void deplacer(std::size_t i, const boiteEtiquette& b) {
    index_.remove(Entree(versIndex(etiquettes_[i].boite), i));
    etiquettes_[i].boite = b;
    index_.insert(Entree(versIndex(b), i));
  }

 private:
  std::vector<etiquetteSuperpos>& etiquettes_;
  Index index_;
};

// The overlap of label `i` after trying the eight places around its block.
double ameliorer(Etiquettes& index, std::vector<etiquetteSuperpos>& etiquettes, std::size_t i,
                 const ancreEtiquette& ancre) {
  etiquetteSuperpos& e = etiquettes[i];
  double meilleur = index.recouvrement(i, e.boite);
  if (meilleur <= 0) return 0;
  // Mirrored blocks have negative scale factors; the distance is a size.
  const double d = kEcart * std::max(std::fabs(ancre.echelleX), std::fabs(ancre.echelleY));
  const double ox = ancre.point.x, oy = ancre.point.y;
  const double w = e.boite.largeur, h = e.boite.hauteur;
  const std::pair<double, double> places[8] = {
      {ox - w / 2, oy + d},      // above
      {ox + d, oy + d},          // upper right
      {ox + d, oy - h / 2},      // right
      {ox + d, oy - d - h},      // lower right
      {ox - w / 2, oy - d - h},  // below
      {ox - d - w, oy - d - h},  // lower left
      {ox - d - w, oy - h / 2},  // left
      {ox - d - w, oy + d},      // upper left
  };
  boiteEtiquette choisie = e.boite;
  for (const auto& [x, y] : places) {
    const boiteEtiquette essai{x, y, w, h};
    const double r = index.recouvrement(i, essai);
    if (r < meilleur) {
      meilleur = r;
      choisie = essai;
    }
  }
  if (!memeBoite(choisie, e.boite)) {
    index.deplacer(i, choisie);
    e.deplacee = true;
  }
  return meilleur;
}

}  // namespace

void collecterEtiquettes(const std::vector<ZcDbObjectId>& ids, std::vector<etiquetteSuperpos>& etiquettes,
                         std::vector<ancreEtiquette>& ancres) {
  for (ZcDbObjectId id : ids) {
    ZcDbObjectPointer<ZcDbEntity> entite(id, ZcDb::kForRead);
    if (entite.openStatus() != Zcad::eOk) continue;
    const std::string& type = entite->dxfName();
    if (type == "INSERT") {
      const auto* ref = ZcDbBlockReference::cast(entite.object());
      if (!ref) continue;
      // Scale factors left out of the file are 1, as the reference reads them.
      const ZcGeScale3d echelle = ref->scaleFactors();
      const ancreEtiquette ancre{ref->position(), echelle.sx, echelle.sy};
      const std::vector<ZcDbObjectId> attributs = ref->attributeIds();
      entite.close();
      bool avecEtiquette = false;
      for (ZcDbObjectId a : attributs) {
        ZcDbObjectPointer<ZcDbAttribute> att(a, ZcDb::kForRead);
        if (att.openStatus() != Zcad::eOk || att->isInvisible() || att->visibility() == ZcDb::kInvisible) continue;
        ZcDbExtents etendue;
        if (att->getGeomExtents(etendue) != Zcad::eOk || !etendue.isValid()) continue;
        const ZcGePoint3d bas = etendue.minPoint(), haut = etendue.maxPoint();
        if (!(haut.x - bas.x > kTailleMin && haut.y - bas.y > kTailleMin)) continue;
        etiquetteSuperpos e;
        e.boite = {bas.x, bas.y, haut.x - bas.x, haut.y - bas.y};
        e.ancre = int(ancres.size());
        e.entite = a;
        etiquettes.push_back(e);
        avecEtiquette = true;
      }
      if (avecEtiquette) ancres.push_back(ancre);
    } else if (type == "TEXT") {
      const auto* texte = ZcDbText::cast(entite.object());
      if (!texte) continue;
      // The text's box as written, rotation aside, from the point it is
      // placed by: the insertion point, or the alignment point of a
      // justified text.
      ZcGePoint3d bas, haut;
      texte->textBox(bas, haut);
      const ZcDb::TextHorzMode mode = texte->horizontalMode();
      const bool parAlignement =
          !texte->isDefaultAlignment() && mode != ZcDb::kTextAlign && mode != ZcDb::kTextFit;
      const ZcGePoint3d reference = parAlignement ? texte->alignmentPoint() : texte->position();
      const double largeur = haut.x - bas.x, hauteur = haut.y - bas.y;
      if (!(largeur > 0 && hauteur > 0)) continue;
      etiquetteSuperpos e;
      e.boite = {reference.x + bas.x, reference.y + bas.y, largeur, hauteur};
      e.entite = id;
      etiquettes.push_back(e);
    }
  }
}

int separerEtiquettes(std::vector<etiquetteSuperpos>& etiquettes, const std::vector<ancreEtiquette>& ancres) {
  Etiquettes index(etiquettes);
  const int nombre = int(etiquettes.size());
  zcutPrintf(L"\nVerification des superpositions\n");
  double precedent = std::numeric_limits<double>::infinity();
  int iteration = 1;
  for (;; ++iteration) {
    double total = 0;
    for (int i = 0; i < nombre; ++i) {
      const int ancre = etiquettes[std::size_t(i)].ancre;
      if (ancre < 0) continue;
      zcutPrintf(L"\rIteration %d Element %d / %d (%8.2f %%)", iteration, i, nombre, i * 100.0 / nombre);
      total += ameliorer(index, etiquettes, std::size_t(i), ancres[std::size_t(ancre)]);
    }
    zcutPrintf(L"\t Surface commune: %12.3f\n", total);
    if (total <= 0 || total >= precedent || iteration == kIterationsMax) break;
    precedent = total;
  }
  return iteration;
}

int superposer(const std::vector<ZcDbObjectId>& ids) {
  std::vector<etiquetteSuperpos> etiquettes;
  std::vector<ancreEtiquette> ancres;
  collecterEtiquettes(ids, etiquettes, ancres);
  std::vector<boiteEtiquette> departs;
  departs.reserve(etiquettes.size());
  for (const etiquetteSuperpos& e : etiquettes) departs.push_back(e.boite);
  const int iterations = separerEtiquettes(etiquettes, ancres);
  // A label moves as a whole: its insertion and alignment points follow
  // the translation that brings its box's corner to the new place, so a
  // centred or right-aligned attribute lands where its box was chosen.
  for (std::size_t i = 0; i < etiquettes.size(); ++i) {
    const etiquetteSuperpos& e = etiquettes[i];
    if (!e.deplacee || e.ancre < 0) continue;
    ZcDbObjectPointer<ZcDbAttribute> att(e.entite, ZcDb::kForWrite);
    if (att.openStatus() != Zcad::eOk) continue;
    const ZcGeVector3d translation(e.boite.x - departs[i].x, e.boite.y - departs[i].y, -att->position().z);
    att->transformBy(ZcGeMatrix3d::translation(translation));
  }
  return iterations;
}

void lisp_superpos() {
  const ResbufChain args = zcedGetArgs();
  std::vector<ZcDbObjectId> ids;
  if (args.empty() || args[0].restype != RTPICKS || !argumentsLisp::entitesDe(args[0], ids)) return;
  superposer(ids);
}
