// The legend of a plan ("Table des légendes"): the blocks of the drawing,
// each with its description, number of uses and size, ticked in a list and
// drawn as a legend at a point the user picks: every ticked symbol brought
// to one size with its description beside it, then, when asked, every
// layer with a sample line and its name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/db/database.hpp"
#include "host/ui/dialog.hpp"

// Controls of the dialog.
enum : int {
  IDC_LEGENDE_LISTE = 379,
  IDC_LEGENDE_GROUPER = 380,
  IDC_LEGENDE_LAYERS = 381,
  IDC_LEGENDE_INTERLIGNE = 383,
  IDC_LEGENDE_TAILLE_BLOCS = 384,
  IDC_LEGENDE_TAILLE_TEXTES = 385,
  IDC_LEGENDE_LONGUEUR_TRAIT = 386,
  IDC_LEGENDE_TOUS = 387,
  IDC_LEGENDE_INVERSER = 388,
  IDC_LEGENDE_AUCUN = 389,
  IDC_LEGENDE_UTILISES = 390,
};

// One block the legend may show.
struct infoBlocks {
  std::wstring nom;
  int32_t nbReferences = 0;  // its references in model space
  ZcDbObjectId idBloc;       // the block definition
  // Width and height of a reference at the origin, scale 1 (drawing units).
  double tailleX = 0, tailleY = 0;
};

// Width and height (drawing units) of a reference to `bloc` at the origin,
// scale 1, and the lower-left corner of its extents. False when the block
// cannot be measured.
bool mesurerBloc(ZcDbObjectId bloc, double& tailleX, double& tailleY, ZcGePoint3d* coinBas = nullptr);

// The blocks of the drawing a legend may show, in block table order:
// neither layouts, anonymous blocks ("*..."), external references and the
// blocks they bring, nor blocks without entities or extents.
std::vector<infoBlocks> blocsDuDessin(ZcDbDatabase* db);

// The description a block shows: its comments, else the description on its
// first entity, else the one on the definition, else its name.
std::wstring descriptionAffichee(ZcDbObjectId bloc, const std::wstring& nom);

// How the legend is drawn (drawing units).
struct parametresLegende {
  double tailleTextes = 1.0;   // height of the texts, > 0
  double interligne = 1.0;     // least distance between two lines, >= 0
  double tailleBlocs = 1.0;    // larger side of every symbol, > 0
  double longueurTrait = 2.5;  // least length of a layer's line, > 0
  bool legendeLayers = false;  // a line and the name of every layer
  bool grouper = false;        // everything drawn in one anonymous group

  // Distance from one line of the legend to the next.
  double pas() const;
};

// A symbol of the legend: its block and the text written beside it.
struct ligneLegende {
  ZcDbObjectId bloc;
  std::wstring description;
};

struct legendeDessinee {
  std::vector<ZcDbObjectId> entites;  // in the order they were drawn
  ZcDbObjectId groupe;                // null unless grouped
};

// Draws the legend in the model space of `db`, its first line at
// `position`: per symbol a reference scaled to `tailleBlocs` on its larger
// side, the lower-left corner of its extents on the line's start, and its
// description 2.5 x `tailleBlocs` to the right; then, when asked, per layer
// (table order) a line on that layer and the layer's name. Blocks and
// texts go on the current layer, colour by layer. Symbols that cannot be
// measured, or measure 0, are skipped; settings out of their ranges draw
// nothing.
legendeDessinee dessinerLegende(ZcDbDatabase* db, const std::vector<ligneLegende>& lignes,
                                const parametresLegende& params, const ZcGePoint3d& position);

// The dialog. `params` holds the values shown, then those entered once the
// dialog ends with OK; every row starts unticked.
class CTableLegendes : public host::ui::Dialog {
 public:
  explicit CTableLegendes(ZcDbDatabase* db);

  parametresLegende params;

  const std::vector<infoBlocks>& blocs() const { return blocs_; }
  // The ticked blocks, in the list's order, with their descriptions.
  std::vector<ligneLegende> lignesCochees() const;

 protected:
  void onInit() override;
  void onPress(int id) override;
  bool onOk() override;
  void doDataExchange(host::ui::DataExchange& dx) override;

 private:
  void cocher(int bouton);
  void afficherLongueurTrait();

  ZcDbDatabase* db_;
  std::vector<infoBlocks> blocs_;
  std::vector<std::wstring> descriptions_;  // parallel to blocs_
};

// c:tablegendes: the dialog on the current drawing, then the legend at the
// point the user picks. No result.
void c_tablegendes();
