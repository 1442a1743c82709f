// The console's drawing commands on damaged drawings: inputs that once
// crashed the console (tests/data/console-fuzz) and those that once crashed
// the DXF reader (tests/data/dxf-fuzz). Each drawing is refused with a
// message or opened, listed, given its points and saved; a saved drawing
// reads back. Run under the sanitizers, a fault in any of them fails the
// suite.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "host/db/database.hpp"
#include "points/storage.hpp"
#include "support/console_drawing.hpp"
#include "support/temp_folder.hpp"

namespace fs = std::filesystem;

namespace {

// The folder the runs work in; also the current folder, where the module
// keeps its settings file.
fs::path workFolder() {
  const fs::path work = geltaro::testing::dossierDeTest("geltaro-console-drawings");
  fs::current_path(work);
  return work;
}

std::vector<fs::path> drawingsOf(const std::string& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(fs::path(GELTARO_TEST_DATA_DIR) / folder, ec))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(ConsoleDrawings, DamagedDrawingsAreRefusedOrListedAndSaved) {
  std::vector<fs::path> files = drawingsOf("console-fuzz");
  const std::vector<fs::path> more = drawingsOf("dxf-fuzz");
  files.insert(files.end(), more.begin(), more.end());
  ASSERT_FALSE(files.empty());
  const fs::path work = workFolder();
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    fs::remove(work / "enregistre.dxf");
    const auto r = geltaro::testing::commandesDuDessin(file, work);
    if (r.statut != 0) {
      // Refused: nothing was run, nothing saved.
      EXPECT_FALSE(fs::exists(work / "enregistre.dxf"));
      continue;
    }
    EXPECT_NE(r.sortie.find(" entités"), std::string::npos) << r.sortie;
    EXPECT_NE(r.sortie.find("points placés"), std::string::npos) << r.sortie;
    ZcDbDatabase saved(false);
    ASSERT_EQ(saved.readDwgFile((work / "enregistre.dxf").string()), Zcad::eOk) << saved.lastError();
    // The project went into the drawing, whatever layer "0" held before.
    ResbufChain projet;
    EXPECT_TRUE(geltaro::points::lireChaine(saved.symbolId("LAYER", "0"), geltaro::points::kCleProjet, projet));
    EXPECT_FALSE(projet.empty());
  }
}

// A model space record that is no block record (it has no type at all):
// the drawing opens with a model space of its own, which ENTITIES counts.
TEST(ConsoleDrawings, ModelSpaceOfAnotherKindIsCountedNotDereferenced) {
  const fs::path work = workFolder();
  const auto r = geltaro::testing::commandesDuDessin(
      fs::path(GELTARO_TEST_DATA_DIR) / "dxf-fuzz" / "model_space_record_of_other_kind.dxf", work);
  EXPECT_EQ(r.statut, 0);
  EXPECT_NE(r.sortie.find("réparé : enregistrement sans type nommé « *Model_Space » de la table BLOCK_RECORD supprimé"),
            std::string::npos)
      << r.sortie;
  EXPECT_NE(r.sortie.find("\n0 entités\n"), std::string::npos) << r.sortie;
}

}  // namespace
