#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "host/db/entities.hpp"
#include "host/dxf/dxf.hpp"

namespace fs = std::filesystem;

namespace {

std::string dataFile(const std::string& name) { return std::string(GELTARO_TEST_DATA_DIR) + "/dxf/" + name; }

std::string tempPath(const std::string& name) {
  auto dir = fs::temp_directory_path() / "geltaro-dxf-test";
  fs::create_directories(dir);
  return (dir / name).string();
}

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A small modern drawing body around some entities.
std::string drawing(const std::string& entities, const std::string& eol = "\n") {
  std::string s = "  0\nSECTION\n  2\nENTITIES\n" + entities + "  0\nENDSEC\n  0\nEOF\n";
  if (eol == "\n") return s;
  std::string out;
  for (char c : s) {
    if (c == '\n') out += eol;
    else out.push_back(c);
  }
  return out;
}

const char* kLine =
    "  0\nLINE\n  5\n2A\n100\nAcDbEntity\n  8\nTOPO\n 62\n1\n100\nAcDbLine\n 10\n0.1\n 20\n0.2\n 30\n0.0\n"
    " 11\n12345678.123456789\n 21\n5.0\n 31\n0.0\n";

}  // namespace

TEST(DxfReader, LineEndsOfEveryKind) {
  for (const char* eol : {"\n", "\r\n"}) {
    SCOPED_TRACE(eol[0] == '\r' ? "CR LF" : "LF");
    ZcDbDatabase db(false);
    std::string error;
    ASSERT_TRUE(host::dxf::readDxf(db, drawing(kLine, eol), "t.dxf", error)) << error;
    ZcDbObjectPointer<ZcDbLine> line(db.idOfHandle(0x2A), ZcDb::kForRead);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->layerName(), "TOPO");
    EXPECT_EQ(line->endPoint().x, 12345678.123456789);
  }
}

TEST(DxfReader, RefusesDamagedFilesNamingTheLine) {
  struct Case {
    const char* why;
    std::string text;
    const char* message;
  } cases[] = {
      {"truncated inside a section", std::string(kLine).insert(0, "  0\nSECTION\n  2\nENTITIES\n"), "fichier tronqué dans la section ENTITIES"},
      {"code that is not a number", drawing("  0\nLINE\n  X\nfoo\n"), "ligne 7 : code de groupe attendu, « X » trouvé"},
      {"value missing at the end", "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8", "ligne 7 : code de groupe 8 sans valeur"},
      {"code out of range", drawing("  0\nLINE\n99999\nfoo\n"), "ligne 7 : code de groupe attendu"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    ZcDbDatabase db(false);
    std::string error;
    EXPECT_FALSE(host::dxf::readDxf(db, c.text, "plan.dxf", error));
    EXPECT_NE(error.find("plan.dxf"), std::string::npos) << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(DxfReader, FailedReadLeavesTheDatabaseAsItWas) {
  ZcDbDatabase db;
  {
    ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForWrite);
    auto p = std::make_unique<ZcDbPoint>(ZcGePoint3d(1, 2, 3));
    ms->appendZcDbEntity(p.get());
  }
  std::string bad = tempPath("truncated.dxf");
  writeFile(bad, "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n 10\n1.0\n");
  EXPECT_NE(db.readDwgFile(bad), Zcad::eOk);
  EXPECT_EQ(db.entityCount(), 1u);
  EXPECT_FALSE(db.lastError().empty());
}

TEST(DxfReader, RefusesBinaryFilesWithTheirName) {
  struct Case {
    const char* why;
    std::string path;
    const char* message;
  } cases[] = {
      {"binary DXF", dataFile("binary_r2000.dxf"), "le DXF binaire n'est pas pris en charge"},
      {"DWG", tempPath("plan.dwg"), "les dessins DWG ne sont pas pris en charge"},
      {"missing", tempPath("absent.dxf"), "fichier introuvable"},
  };
  writeFile(tempPath("plan.dwg"), std::string("AC1032\0\0\0\x01", 10));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    ZcDbDatabase db(false);
    EXPECT_NE(db.readDwgFile(c.path), Zcad::eOk);
    EXPECT_NE(db.lastError().find(c.message), std::string::npos) << db.lastError();
    EXPECT_NE(db.lastError().find(fs::path(c.path).filename().string()), std::string::npos) << db.lastError();
  }
}

TEST(DxfReader, DwgNameFallsBackToTheDxfOfTheSameName) {
  std::string dxf = tempPath("vrelblk9.dxf");
  writeFile(dxf, drawing(kLine));
  ZcDbDatabase db(false);
  ASSERT_EQ(db.readDwgFile(tempPath("vrelblk9.dwg")), Zcad::eOk) << db.lastError();
  EXPECT_EQ(db.entityCount(), 1u);
}

TEST(DxfReader, KeepsWhatItDoesNotInterpret) {
  // An unknown entity kind, an unknown code inside a line, and the line's
  // extended data all come back in the written file.
  std::string unknown = "  0\nWIDGET\n  5\n30\n100\nAcDbEntity\n  8\n0\n100\nAcDbWidget\n 90\n7\n  1\nhello\n";
  std::string lineWithExtra = std::string(kLine) + "999\ncomment\n 48\n2.5\n1001\nACAD\n1000\nkept\n";
  ZcDbDatabase db(false);
  std::string error;
  ASSERT_TRUE(host::dxf::readDxf(db, drawing(unknown + lineWithExtra), "t.dxf", error)) << error;
  std::string out = host::dxf::writeDxf(db);
  EXPECT_NE(out.find("WIDGET\r\n  5\r\n30\r\n"), std::string::npos);
  EXPECT_NE(out.find("100\r\nAcDbWidget\r\n 90\r\n7\r\n  1\r\nhello"), std::string::npos);
  EXPECT_NE(out.find(" 48\r\n2.5"), std::string::npos);
  EXPECT_NE(out.find("1000\r\nkept"), std::string::npos);
  EXPECT_NE(out.find("12345678.123456789"), std::string::npos);
  // And read again, the same.
  ZcDbDatabase again(false);
  ASSERT_TRUE(host::dxf::readDxf(again, out, "out.dxf", error)) << error;
  EXPECT_EQ(host::dxf::writeDxf(again), out);
}

TEST(DxfReader, TextsOfOldFilesAreDecodedFromTheirCodePage) {
  ZcDbDatabase db(false);
  ASSERT_EQ(db.readDwgFile(dataFile("r2000_cp1251_xdict.dxf")), Zcad::eOk) << db.lastError();
  std::string out = host::dxf::writeDxf(db);
  // Every string is UTF-8 in the written file.
  EXPECT_TRUE(host::dxf::isValidUtf8(out));
  EXPECT_NE(out.find("\xD0"), std::string::npos);  // Cyrillic letters are two-byte UTF-8

  struct Case {
    const char* page;
    std::string bytes;
    std::string utf8;
  } cases[] = {
      {"ANSI_1252", "caf\xE9", "caf\xC3\xA9"},
      {"ANSI_1251", "\xC4\xE0", "\xD0\x94\xD0\xB0"},
      {"dos850", "\x82", "\xC3\xA9"},
      {"MAC-ROMAN", "\x8E", "\xC3\xA9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    EXPECT_EQ(host::dxf::toUtf8FromCodePage(c.bytes, c.page), c.utf8);
  }
}

TEST(DxfReader, UnicodeEscapesReadAsCharacters) {
  std::string text =
      "  0\nTEXT\n  5\n40\n100\nAcDbEntity\n  8\n0\n100\nAcDbText\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 40\n1.0\n"
      "  1\nP\\U+00E9rim\\U+00E8tre\n100\nAcDbText\n";
  ZcDbDatabase db(false);
  std::string error;
  ASSERT_TRUE(host::dxf::readDxf(db, drawing(text), "t.dxf", error)) << error;
  ZcDbObjectPointer<ZcDbText> t(db.idOfHandle(0x40), ZcDb::kForRead);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->textString(), L"Périmètre");
}

TEST(DxfReader, OldDrawingsGetModernStructure) {
  ZcDbDatabase db(false);
  ASSERT_EQ(db.readDwgFile(dataFile("r12_polylines_widths.dxf")), Zcad::eOk) << db.lastError();
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForRead);
  ASSERT_TRUE(ms);
  int polylines = 0, faces = 0;
  for (ZcDbObjectId id : ms->entityIds()) {
    ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
    ASSERT_TRUE(e);
    EXPECT_NE(id.handle().value(), 0u);
    EXPECT_EQ(e->ownerId(), db.modelSpaceId());
    if (auto* p = ZcDb2dPolyline::cast(e.object())) {
      ++polylines;
      Path path;
      EXPECT_TRUE(p->toPath(path));
      for (ZcDbObjectId v : p->vertexIds()) {
        ZcDbObjectPointer<ZcDb2dVertex> vx(v, ZcDb::kForRead);
        ASSERT_TRUE(vx);
        EXPECT_EQ(vx->position().z, p->elevation());
      }
    }
    faces += ZcDbFace::cast(e.object()) != nullptr;
  }
  EXPECT_EQ(polylines, 30);
  EXPECT_EQ(faces, 1);
  // Model space is one block, whatever the old file called it.
  EXPECT_TRUE(db.symbolId("BLOCK_RECORD", "$MODEL_SPACE").isNull());
}

TEST(DxfReader, DamagedFileIsRecoveredAndSaysWhat) {
  ZcDbDatabase db(false);
  ASSERT_EQ(db.readDwgFile(dataFile("broken_needs_recover.dxf")), Zcad::eOk) << db.lastError();
  EXPECT_EQ(db.entityCount(), 1441u + 63u);
  EXPECT_FALSE(db.store().warnings.empty());
}

TEST(DxfWriter, NewDrawingIsCompleteAndStable) {
  ZcDbDatabase db;
  std::string first = host::dxf::writeDxf(db);
  EXPECT_NE(first.find("AC1032"), std::string::npos);
  ZcDbDatabase again(false);
  std::string error;
  ASSERT_TRUE(host::dxf::readDxf(again, first, "new.dxf", error)) << error;
  // Reading our own file adds nothing: the structure was complete.
  EXPECT_EQ(host::dxf::writeDxf(again), first);
}

TEST(DxfReader, EntityKindsOfRealDrawingsOpenAsTheirClasses) {
  struct Case {
    const char* file;
    const ZcRxClass* cls;
    size_t count;  // in model space
  } cases[] = {
      {"r12_polyface_heart.dxf", ZcDbPolyFaceMesh::desc(), 1},
      {"r14_polygon_meshes.dxf", ZcDbPolygonMesh::desc(), 60},
      {"r2018_uncommon_ray_pface.dxf", ZcDbRay::desc(), 3},
      {"r2018_uncommon_ray_pface.dxf", ZcDbPolyFaceMesh::desc(), 2},
      {"r2018_3dfaces.dxf", ZcDbFace::desc(), 44},
      {"r2013_acad_table.dxf", ZcDbTable::desc(), 1},
      {"r2007_mtext_columns.dxf", ZcDbMText::desc(), 22},  // linked columns merged
      {"r2013_points_attdef.dxf", ZcDbAttributeDefinition::desc(), 3},
      {"nohdr_3dpolylines.dxf", ZcDb3dPolyline::desc(), 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.cls->name());
    ZcDbDatabase db(false);
    ASSERT_EQ(db.readDwgFile(dataFile(c.file)), Zcad::eOk) << db.lastError();
    ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForRead);
    size_t n = 0;
    for (ZcDbObjectId id : ms->entityIds()) {
      ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
      if (!e->isKindOf(c.cls)) continue;
      ++n;
      ZcDbExtents ext;
      if (e->getGeomExtents(ext) == Zcad::eOk) {
        EXPECT_TRUE(ext.isValid());
      }
    }
    EXPECT_EQ(n, c.count);
  }
  // Mesh vertices and faces of the heart: a polyface mesh of 5404 vertex records.
  ZcDbDatabase db(false);
  ASSERT_EQ(db.readDwgFile(dataFile("r12_polyface_heart.dxf")), Zcad::eOk);
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForRead);
  ZcDbObjectPointer<ZcDbPolyFaceMesh> mesh(ms->entityIds().front(), ZcDb::kForRead);
  ASSERT_TRUE(mesh);
  size_t vertices = 0, faces = 0;
  for (ZcDbObjectId v : mesh->vertexIds()) {
    ZcDbObjectPointer<ZcDbVertex> vx(v, ZcDb::kForRead);
    vertices += ZcDbPolyFaceMeshVertex::cast(vx.object()) != nullptr;
    faces += ZcDbFaceRecord::cast(vx.object()) != nullptr;
  }
  EXPECT_EQ(vertices + faces, 5404u);
  EXPECT_EQ(int(vertices), mesh->numVertices());
  EXPECT_EQ(int(faces), mesh->numFaces());
}

TEST(DxfReader, MultilineTextPlainText) {
  struct Case {
    const wchar_t* contents;
    const wchar_t* plain;
  } cases[] = {
      {L"simple", L"simple"},
      {L"ligne 1\\Pligne 2", L"ligne 1\nligne 2"},
      {L"{\\fArial|b1|i0;gras} et \\H2.5x;grand", L"gras et grand"},
      {L"1\\S1^2; pouce", L"11/2 pouce"},
      {L"a\\~b \\\\ c \\{d\\}", L"a b \\ c {d}"},
      {L"\\A1;\\C1;rouge\\Lsouligne\\l", L"rougesouligne"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(host::toUtf8(c.contents));
    EXPECT_EQ(mtextPlainText(c.contents), c.plain);
  }
  // Long contents are split in chunks and come back whole.
  ZcDbDatabase db;
  std::wstring longText;
  for (int i = 0; i < 120; ++i) longText += L"mot é ";
  auto mt = std::make_unique<ZcDbMText>();
  mt->setContents(longText);
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForWrite);
  ZcDbObjectId id;
  ms->appendZcDbEntity(id, mt.get());
  mt.reset();
  ms.close();
  ZcDbDatabase again(false);
  std::string error;
  ASSERT_TRUE(host::dxf::readDxf(again, host::dxf::writeDxf(db), "m.dxf", error)) << error;
  ZcDbObjectPointer<ZcDbMText> back(again.idOfHandle(id.handle().value()), ZcDb::kForRead);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->contents(), longText);
}

TEST(DxfReader, KindsWithoutAClassStillMoveWithTheDrawing) {
  std::string ents =
      "  0\nELLIPSE\n  5\n50\n100\nAcDbEntity\n  8\n0\n100\nAcDbEllipse\n 10\n10.0\n 20\n0.0\n 30\n0.0\n"
      " 11\n5.0\n 21\n0.0\n 31\n0.0\n210\n0.0\n220\n0.0\n230\n1.0\n 40\n0.5\n 41\n0.0\n 42\n6.283185307179586\n"
      "  0\nSPLINE\n  5\n51\n100\nAcDbEntity\n  8\n0\n100\nAcDbSpline\n 70\n8\n 71\n3\n 72\n0\n 73\n2\n 74\n0\n"
      " 10\n1.0\n 20\n0.0\n 30\n0.0\n 10\n2.0\n 20\n0.0\n 30\n0.0\n"
      "  0\nHATCH\n  5\n52\n100\nAcDbEntity\n  8\n0\n100\nAcDbHatch\n 10\n0.0\n 20\n0.0\n 30\n0.0\n";
  ZcDbDatabase db(false);
  std::string error;
  ASSERT_TRUE(host::dxf::readDxf(db, drawing(ents), "t.dxf", error)) << error;
  const double quarter = std::acos(-1.0) / 2;
  ZcGeMatrix3d m = ZcGeMatrix3d::translation(ZcGeVector3d(100, 200, 0)) * ZcGeMatrix3d::rotation(quarter);
  struct Case {
    uint64_t handle;
    Zcad::ErrorStatus status;
  } cases[] = {{0x50, Zcad::eOk}, {0x51, Zcad::eOk}, {0x52, Zcad::eNotApplicable}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.handle);
    ZcDbObjectPointer<ZcDbEntity> e(db.idOfHandle(c.handle), ZcDb::kForWrite);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->transformBy(m), c.status);
  }
  auto group = [&](uint64_t h, int code, int nth) {
    int seen = 0;
    for (const auto& t : ZcDbObjectPointer<ZcDbEntity>(db.idOfHandle(h), ZcDb::kForRead)->dxfTags())
      if (t.code == code && seen++ == nth) return t.toDouble();
    return -1.0;
  };
  // The centre moves and turns; the axis (a direction) only turns.
  EXPECT_NEAR(group(0x50, 10, 0), 100, 1e-9);
  EXPECT_NEAR(group(0x50, 20, 0), 210, 1e-9);
  EXPECT_NEAR(group(0x50, 11, 0), 0, 1e-9);
  EXPECT_NEAR(group(0x50, 21, 0), 5, 1e-9);
  EXPECT_NEAR(group(0x50, 40, 0), 0.5, 1e-12);
  // Every control point of the spline moves.
  EXPECT_NEAR(group(0x51, 20, 0), 201, 1e-9);
  EXPECT_NEAR(group(0x51, 20, 1), 202, 1e-9);
}

TEST(DxfWriter, SaveReplacesInOneStepAndLeavesNoTemporaryFile) {
  const fs::path dir = fs::temp_directory_path() / "geltaro-dxf-save";
  fs::remove_all(dir);
  fs::create_directories(dir);
  auto fichiers = [&] {
    std::vector<std::string> noms;
    for (const auto& e : fs::directory_iterator(dir)) noms.push_back(e.path().filename().string());
    std::sort(noms.begin(), noms.end());
    return noms;
  };
  ZcDbDatabase db(true);
  // A file of the user's named like a temporary file is not touched.
  const std::string plan = (dir / "plan.dxf").string();
  writeFile(plan + ".tmp", "a moi");
  writeFile(plan, "ancien");
  fs::permissions(plan, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_EQ(db.saveAs(plan), Zcad::eOk);
  EXPECT_EQ(fichiers(), (std::vector<std::string>{"plan.dxf", "plan.dxf.tmp"}));
  EXPECT_EQ(fs::status(plan).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  std::ifstream lu(plan + ".tmp");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(lu), {}), "a moi");
  ZcDbDatabase relu(false);
  EXPECT_EQ(relu.readDwgFile(plan), Zcad::eOk);

  // A save that cannot take the place of its target (a folder there)
  // fails and leaves nothing behind.
  fs::create_directories(dir / "dossier.dxf");
  EXPECT_EQ(db.saveAs((dir / "dossier.dxf").string()), Zcad::eFileAccessErr);
  EXPECT_EQ(fichiers(), (std::vector<std::string>{"dossier.dxf", "plan.dxf", "plan.dxf.tmp"}));
  // Nor in a folder that does not exist.
  EXPECT_EQ(db.saveAs((dir / "absent" / "x.dxf").string()), Zcad::eFileAccessErr);
  fs::remove_all(dir);
}

TEST(DxfReader, LinkedMTextColumnsOfOldFilesAreMergedIntoTheFirstText) {
  // 2007-2013 files keep the columns of a multiline text after the first as
  // separate MTEXT entities linked from it; the modern version written reads
  // columns from one text: they are merged, with column breaks.
  ZcDbDatabase db(false);
  ASSERT_EQ(db.readDwgFile(dataFile("r2007_mtext_columns.dxf")), Zcad::eOk);
  ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForRead);
  int mtexts = 0;
  std::vector<std::wstring> textes;
  for (ZcDbObjectId id : ms->entityIds()) {
    ZcDbObjectPointer<ZcDbMText> m(id, ZcDb::kForRead);
    if (m.openStatus() != Zcad::eOk) continue;
    ++mtexts;
    textes.push_back(m->contents());
  }
  EXPECT_EQ(mtexts, 22);
  // Static columns of three lines: the three texts in one.
  EXPECT_NE(std::find(textes.begin(), textes.end(),
                      L"Line 1\\PLine 2\\PLine 3\\P\\NLine 4\\PLine 5\\PLine 6\\P\\NLine 7\\PLine 8\\PLine 9"),
            textes.end());
  // No column is left on its own.
  EXPECT_EQ(std::find(textes.begin(), textes.end(), L"Line 4\\PLine 5\\PLine 6\\P"), textes.end());
}

// The records every command opens by name (model space, layer "0") and the
// extension dictionary the survey data lives in must be of their class. A
// damaged drawing may hold something else in their place: it is dropped at
// read, with a warning, and what it stood for is made anew. Nothing opened
// later may find the wrong kind.
TEST(DxfReader, WellKnownRecordsOfAnotherKindAreRepaired) {
  const std::string entities = "  0\nSECTION\n  2\nENTITIES\n" + std::string(kLine) + "  0\nENDSEC\n";
  auto tables = [](const std::string& body) { return "  0\nSECTION\n  2\nTABLES\n" + body + "  0\nENDSEC\n"; };
  struct Case {
    const char* why;
    std::string text;
  };
  const Case cases[] = {
      {"model space record without a type",
       tables("  0\nTABLE\n  2\nBLOCK_RECORD\n  0\n\n  2\n*Model_Space\n  0\nENDTAB\n") + "  0\nEOF\n"},
      {"model space record that is a layer",
       tables("  0\nTABLE\n  2\nBLOCK_RECORD\n  0\nLAYER\n  5\n20\n  2\n*Model_Space\n 70\n0\n  0\nENDTAB\n") +
           entities + "  0\nEOF\n"},
      {"layer 0 that is a text style",
       tables("  0\nTABLE\n  2\nLAYER\n  0\nSTYLE\n  5\n21\n  2\n0\n 70\n0\n  0\nENDTAB\n") + entities + "  0\nEOF\n"},
      {"extension dictionary of layer 0 naming a line",
       tables("  0\nTABLE\n  2\nLAYER\n  0\nLAYER\n  5\n22\n102\n{ACAD_XDICTIONARY\n360\n2A\n102\n}\n100\n"
              "AcDbSymbolTableRecord\n100\nAcDbLayerTableRecord\n  2\n0\n 70\n0\n 62\n7\n  6\nContinuous\n"
              "  0\nENDTAB\n") +
           entities + "  0\nEOF\n"},
      {"extension dictionary of layer 0 naming nothing",
       tables("  0\nTABLE\n  2\nLAYER\n  0\nLAYER\n  5\n22\n102\n{ACAD_XDICTIONARY\n360\nFFF\n102\n}\n100\n"
              "AcDbSymbolTableRecord\n100\nAcDbLayerTableRecord\n  2\n0\n 70\n0\n 62\n7\n  6\nContinuous\n"
              "  0\nENDTAB\n") +
           "  0\nEOF\n"},
  };
  // What every command may rely on: model space opens as a block record
  // and holds entities, layer "0" opens as a layer, and its extension
  // dictionary is a dictionary (made when missing).
  auto check = [](ZcDbDatabase& db) {
    ZcDbObjectPointer<ZcDbBlockTableRecord> ms(db.modelSpaceId(), ZcDb::kForRead);
    ASSERT_TRUE(ms) << ms.openStatus();
    for (ZcDbObjectId id : ms->entityIds()) {
      ZcDbObjectPointer<ZcDbEntity> e(id, ZcDb::kForRead);
      EXPECT_TRUE(e);
    }
    ZcDbObjectPointer<ZcDbLayerTableRecord> zero(db.symbolId("LAYER", "0"), ZcDb::kForWrite);
    ASSERT_TRUE(zero) << zero.openStatus();
    const Zcad::ErrorStatus made = zero->createExtensionDictionary();
    EXPECT_TRUE(made == Zcad::eOk || made == Zcad::eAlreadyInDb) << made;
    ZcDbObjectPointer<ZcDbDictionary> dict(zero->extensionDictionary(), ZcDb::kForWrite);
    EXPECT_TRUE(dict) << dict.openStatus();
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    ZcDbDatabase db(false);
    std::string error;
    ASSERT_TRUE(host::dxf::readDxf(db, c.text, "damaged.dxf", error)) << error;
    EXPECT_FALSE(db.store().warnings.empty());
    check(db);
    // Written, the drawing reads back with nothing left to repair.
    ZcDbDatabase again(false);
    ASSERT_TRUE(host::dxf::readDxf(again, host::dxf::writeDxf(db), "written.dxf", error)) << error;
    EXPECT_TRUE(again.store().warnings.empty()) << again.store().warnings.front();
    EXPECT_EQ(again.entityCount(), db.entityCount());
    check(again);
  }
}
