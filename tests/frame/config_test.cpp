#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "frame/config.hpp"

namespace {

namespace fs = std::filesystem;

const char* const kAllDefaults =
    "[VREL]\n"
    "UserPaperScale0=1000 , 1000\n"
    "UserPaperScale1=1000 , 1000\n"
    "UserPaperScale2=1000 , 1000\n"
    "UserPaperScale3=1000 , 1000\n"
    "UserPaperScale4=1000 , 1000\n"
    "UserPaperScale5=1000 , 1000\n"
    "gPrecisionCoordonneesX=3\n"
    "gPrecisionCoordonneesY=3\n";

std::string fileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

void putFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

// Each test gets its own empty folder, removed afterwards.
class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           ("geltaro-config-test-" + std::to_string(::getpid()) + "-" +
            info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path ini() const { return dir_ / "config.ini"; }

  // Loads the settings from a file holding `text`.
  parametresVrel loadFrom(const std::string& text) {
    putFile(ini(), text);
    configurationIni store(ini().string());
    return parametresVrel(store);
  }

  fs::path dir_;
};

void expectPoint(const ZcGePoint2d& got, double x, double y) {
  EXPECT_DOUBLE_EQ(got.x, x);
  EXPECT_DOUBLE_EQ(got.y, y);
}

void expectAllDefaults(const parametresVrel& s) {
  for (const auto* v : {&s.UserPaperScale0, &s.UserPaperScale1,
                        &s.UserPaperScale2, &s.UserPaperScale3,
                        &s.UserPaperScale4, &s.UserPaperScale5}) {
    SCOPED_TRACE(v->name());
    expectPoint(v->value(), 1000, 1000);
  }
  EXPECT_EQ(s.gPrecisionCoordonneesX.value(), 3);
  EXPECT_EQ(s.gPrecisionCoordonneesY.value(), 3);
}

// ---------------------------------------------------------------------------
// Point text form

TEST(Point2DTranslatorTest, ReadsFirstTwoTokens) {
  struct Case {
    const char* text;
    double x, y;
  };
  const Case cases[] = {
      {"1000 , 1000", 1000, 1000},
      {"420,297", 420, 297},
      {"420 297", 420, 297},
      {"420\t,297", 420, 297},
      {"  1.5e3 , 2 ", 1500, 2},
      {",,-1.25,,+2.5", -1.25, 2.5},
      {"1,2,3", 1, 2},  // tokens after the second are ignored
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto p = Point2DTranslator().get_value(c.text);
    ASSERT_TRUE(p);
    expectPoint(*p, c.x, c.y);
  }
}

TEST(Point2DTranslatorTest, RefusesTextWithoutTwoNumbers) {
  const char* const cases[] = {
      "", "12", " , 12 ,", "abc,def", "5x,3", "1,2y", "1;2",
      "nan,1", "1,inf", "1e999,1",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(Point2DTranslator().get_value(text));
  }
}

TEST(Point2DTranslatorTest, WritesSixSignificantDigits) {
  struct Case {
    ZcGePoint2d p;
    const char* want;
  };
  const Case cases[] = {
      {{1000, 1000}, "1000 , 1000"},
      {{420, 297.5}, "420 , 297.5"},
      {{-0.5, 1.0 / 3.0}, "-0.5 , 0.333333"},
      {{1234567, 0}, "1.23457e+06 , 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.want);
    EXPECT_EQ(Point2DTranslator().put_value(c.p).value_or("?"), c.want);
  }
}

// ---------------------------------------------------------------------------
// Loading the settings

TEST_F(ConfigTest, EmptyFolderGetsAllDefaultsInTableOrder) {
  configurationIni store(ini().string());
  parametresVrel settings(store);
  expectAllDefaults(settings);
  EXPECT_EQ(settings.UserPaperScale0.name(), "VREL.UserPaperScale0");
  EXPECT_EQ(settings.gPrecisionCoordonneesY.name(),
            "VREL.gPrecisionCoordonneesY");
  EXPECT_EQ(fileText(ini()), kAllDefaults);
  EXPECT_FALSE(store.modified());
}

TEST_F(ConfigTest, MissingKeysAreAppendedAndOthersKept) {
  auto s = loadFrom(
      "top=1\n"
      "[Autre]\n"
      "cle=valeur\n"
      "[VREL]\n"
      "gPrecisionCoordonneesX=5\n");
  EXPECT_EQ(s.gPrecisionCoordonneesX.value(), 5);
  EXPECT_EQ(s.gPrecisionCoordonneesY.value(), 3);
  expectPoint(s.UserPaperScale5.value(), 1000, 1000);
  EXPECT_EQ(fileText(ini()),
            "top=1\n"
            "[Autre]\n"
            "cle=valeur\n"
            "[VREL]\n"
            "gPrecisionCoordonneesX=5\n"
            "UserPaperScale0=1000 , 1000\n"
            "UserPaperScale1=1000 , 1000\n"
            "UserPaperScale2=1000 , 1000\n"
            "UserPaperScale3=1000 , 1000\n"
            "UserPaperScale4=1000 , 1000\n"
            "UserPaperScale5=1000 , 1000\n"
            "gPrecisionCoordonneesY=3\n");
}

TEST_F(ConfigTest, CompleteFileIsReadAndNotRewritten) {
  const std::string text =
      "[VREL]\n"
      "UserPaperScale0=1 , 2\n"
      "UserPaperScale1=3,4\n"
      "UserPaperScale2=420,297\n"
      "UserPaperScale3=420 297\n"
      "UserPaperScale4=420\t,297\n"
      "UserPaperScale5=  1.5e3 , 2 \n"
      "gPrecisionCoordonneesX=+7\n"
      "gPrecisionCoordonneesY=0\n";
  auto s = loadFrom(text);
  expectPoint(s.UserPaperScale0.value(), 1, 2);
  expectPoint(s.UserPaperScale1.value(), 3, 4);
  expectPoint(s.UserPaperScale2.value(), 420, 297);
  expectPoint(s.UserPaperScale3.value(), 420, 297);
  expectPoint(s.UserPaperScale4.value(), 420, 297);
  expectPoint(s.UserPaperScale5.value(), 1500, 2);
  EXPECT_EQ(s.gPrecisionCoordonneesX.value(), 7);
  EXPECT_EQ(s.gPrecisionCoordonneesY.value(), 0);
  EXPECT_EQ(fileText(ini()), text);
}

TEST_F(ConfigTest, UnconvertibleValuesKeepDefaultAndFileText) {
  struct Case {
    const char* key;
    const char* text;
  };
  const Case cases[] = {
      {"gPrecisionCoordonneesX", "abc"},
      {"gPrecisionCoordonneesX", "5x"},
      {"gPrecisionCoordonneesX", "4.5"},
      {"gPrecisionCoordonneesX", ""},
      {"gPrecisionCoordonneesX", "99999999999"},
      {"UserPaperScale0", "12"},
      {"UserPaperScale0", "abc,def"},
      {"UserPaperScale0", "12,34mm"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.key) + "=" + c.text);
    // The other seven keys are present, so nothing needs to be written.
    std::string text = kAllDefaults;
    const std::string line = std::string(c.key) + "=";
    const auto at = text.find(line) + line.size();
    text.replace(at, text.find('\n', at) - at, c.text);
    auto s = loadFrom(text);
    expectAllDefaults(s);
    EXPECT_EQ(fileText(ini()), text);
  }
}

TEST_F(ConfigTest, UnwritableFileLeavesDefaultsInUse) {
  // A path under a regular file cannot be created, even by root.
  putFile(dir_ / "afile", "x");
  configurationIni store((dir_ / "afile" / "config.ini").string());
  parametresVrel settings(store);
  expectAllDefaults(settings);
  EXPECT_TRUE(store.modified());
  EXPECT_FALSE(store.save());
}

// Each of the file's lines, in order, is a line of `text`.
void expectLinesKept(const std::string& file, const std::string& text) {
  std::istringstream kept(file), wanted(text);
  std::string have, want;
  while (std::getline(wanted, want)) {
    bool found = false;
    while (!found && std::getline(kept, have)) found = have == want;
    EXPECT_TRUE(found) << "line lost: " << want;
  }
}

TEST_F(ConfigTest, MalformedLinesAreSkippedAndKept) {
  struct Case {
    const char* why;
    std::string text;
    int wantX, wantY;
  };
  const Case cases[] = {
      {"line without '='",
       "[VREL]\ngPrecisionCoordonneesX=5\nnot a setting\n"
       "gPrecisionCoordonneesY=7\n",
       5, 7},
      {"duplicate key: the first is kept",
       "[VREL]\ngPrecisionCoordonneesX=5\ngPrecisionCoordonneesX=6\n"
       "gPrecisionCoordonneesY=7\n",
       5, 7},
      {"key expected", "[VREL]\ngPrecisionCoordonneesY=7\n=3\n", 3, 7},
      {"unmatched '[': the keys after it are not read", "[VREL\ngPrecisionCoordonneesX=5\n", 3, 3},
      {"a section given twice is one section",
       "[VREL]\ngPrecisionCoordonneesX=5\n[Autre]\nk=v\n[VREL]\ngPrecisionCoordonneesY=7\n", 5, 7},
      {"binary content", std::string("\x01\x02\xff\n\0\n", 6), 3, 3},
      {"byte order mark and CRLF",
       "\xEF\xBB\xBF[VREL]\r\ngPrecisionCoordonneesX=5\r\n", 5, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    auto s = loadFrom(c.text);
    EXPECT_EQ(s.gPrecisionCoordonneesX.value(), c.wantX);
    EXPECT_EQ(s.gPrecisionCoordonneesY.value(), c.wantY);
    expectPoint(s.UserPaperScale0.value(), 1000, 1000);
    // Every line of the file is still there, in its order; loading the file
    // again gives the same values and writes nothing more.
    const std::string rewritten = fileText(ini());
    expectLinesKept(rewritten, c.text);
    configurationIni again(ini().string());
    parametresVrel s2(again);
    EXPECT_EQ(s2.gPrecisionCoordonneesX.value(), c.wantX);
    EXPECT_EQ(s2.gPrecisionCoordonneesY.value(), c.wantY);
    EXPECT_EQ(fileText(ini()), rewritten);
  }
}

// A user's file with a faulty line among comments, sections and keys of its
// own: written back with the missing settings, it keeps every line in its
// place, and the settings go at the end of their section.
TEST_F(ConfigTest, WritingBackKeepsTheUsersLines) {
  const std::string text =
      "; réglages de l'atelier\n"
      "langue = fr\n"
      "\n"
      "[VREL]\n"
      "UserPaperScale0 = 420 , 297\n"
      "cette ligne n'est pas un réglage\n"
      "gPrecisionCoordonneesX=4\n"
      "# fin de VREL\n"
      "[Traceur]\n"
      "modele=HP\n"
      "[Autre\n"
      "orphelin=1\n"
      "[Fin]\n"
      "derniere=ligne";  // no line feed after the last line
  auto s = loadFrom(text);
  expectPoint(s.UserPaperScale0.value(), 420, 297);
  EXPECT_EQ(s.gPrecisionCoordonneesX.value(), 4);
  EXPECT_EQ(fileText(ini()),
            "; réglages de l'atelier\n"
            "langue = fr\n"
            "\n"
            "[VREL]\n"
            "UserPaperScale0 = 420 , 297\n"
            "cette ligne n'est pas un réglage\n"
            "gPrecisionCoordonneesX=4\n"
            "UserPaperScale1=1000 , 1000\n"
            "UserPaperScale2=1000 , 1000\n"
            "UserPaperScale3=1000 , 1000\n"
            "UserPaperScale4=1000 , 1000\n"
            "UserPaperScale5=1000 , 1000\n"
            "gPrecisionCoordonneesY=3\n"
            "# fin de VREL\n"
            "[Traceur]\n"
            "modele=HP\n"
            "[Autre\n"
            "orphelin=1\n"
            "[Fin]\n"
            "derniere=ligne");
  configurationIni store(ini().string());
  EXPECT_EQ(store.tree().get<std::string>("Traceur.modele"), "HP");
  EXPECT_EQ(store.tree().get<std::string>("Fin.derniere"), "ligne");
  EXPECT_EQ(store.tree().get<std::string>("langue"), "fr");

  // A changed value is rewritten on its own line; a key of a section the
  // file lacks goes into a new section at the end.
  store.tree().put("Traceur.modele", "Canon");
  store.tree().put("Nouvelle.cle", "1");
  store.setModified();
  ASSERT_TRUE(store.save());
  const std::string after = fileText(ini());
  EXPECT_NE(after.find("[Traceur]\nmodele=Canon\n[Autre\n"), std::string::npos) << after;
  EXPECT_TRUE(after.ends_with("derniere=ligne\n[Nouvelle]\ncle=1\n")) << after;
}

TEST_F(ConfigTest, TreeTheWriterRefusesLeavesFileUntouched) {
  // "VREL" as a plain key: adding keys under it gives a tree the INI writer
  // refuses, which must not truncate the user's file.
  const std::string text = "VREL=x\nother=1\n[S]\nk=v\n";
  auto s = loadFrom(text);
  expectAllDefaults(s);
  EXPECT_EQ(fileText(ini()), text);
}

TEST_F(ConfigTest, OnlySaveWritesAndOnlyWhenModified) {
  {
    configurationIni store(ini().string());
    store.tree().put("VREL.k", "1");
    EXPECT_TRUE(store.save());  // not marked modified: nothing to write
    EXPECT_FALSE(fs::exists(ini()));
    store.setModified();
  }  // destroyed while modified
  EXPECT_FALSE(fs::exists(ini()));

  configurationIni store(ini().string());
  store.tree().put("VREL.k", "1");
  store.setModified();
  EXPECT_TRUE(store.save());
  EXPECT_FALSE(store.modified());
  EXPECT_EQ(fileText(ini()), "[VREL]\nk=1\n");
}

// ---------------------------------------------------------------------------
// The traverse tolerances

TEST_F(ConfigTest, TraverseTolerancesFollowTheOtherSettings) {
  {
    configurationIni store(ini().string());
    parametresVrel settings(store);
    parametresPolygonale tolerances(store);
    EXPECT_DOUBLE_EQ(tolerances.ToleranceAngulairePolygonale.value(), 4.5);
    EXPECT_DOUBLE_EQ(tolerances.DenominateurToleranceLineaire.value(), 5000);
    EXPECT_EQ(tolerances.ToleranceAngulairePolygonale.name(), "VREL.ToleranceAngulairePolygonale");
    EXPECT_EQ(tolerances.DenominateurToleranceLineaire.name(), "VREL.DenominateurToleranceLineaire");
  }
  EXPECT_EQ(fileText(ini()), std::string(kAllDefaults) +
                                 "ToleranceAngulairePolygonale=4.5\n"
                                 "DenominateurToleranceLineaire=5000\n");
  // Read back unchanged, and nothing rewritten.
  const std::string text = fileText(ini());
  configurationIni store(ini().string());
  parametresPolygonale again(store);
  EXPECT_DOUBLE_EQ(again.ToleranceAngulairePolygonale.value(), 4.5);
  EXPECT_FALSE(store.modified());
  EXPECT_EQ(fileText(ini()), text);
}

TEST_F(ConfigTest, DoubleSettingsReadWholeFiniteNumbers) {
  struct Case {
    const char* text;
    bool read;
    double want;
  };
  const Case cases[] = {
      {"6", true, 6},          {"3.25", true, 3.25},  {"+2.5", true, 2.5},  {"-1", true, -1},
      {"1e-3", true, 0.001},   {".5", true, 0.5},     {"4,5", false, 0},    {"4.5mgr", false, 0},
      {"abc", false, 0},       {"", false, 0},        {"1e999", false, 0},  {"nan", false, 0},
      {"inf", false, 0},       {"+-1", false, 0},     {"0x10", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string text = std::string("[VREL]\nToleranceAngulairePolygonale=") + c.text +
                             "\nDenominateurToleranceLineaire=10000\n";
    putFile(ini(), text);
    configurationIni store(ini().string());
    parametresPolygonale s(store);
    EXPECT_DOUBLE_EQ(s.ToleranceAngulairePolygonale.value(), c.read ? c.want : 4.5);
    EXPECT_DOUBLE_EQ(s.DenominateurToleranceLineaire.value(), 10000);
    EXPECT_EQ(fileText(ini()), text);  // the user's text is kept
  }
}

TEST_F(ConfigTest, DoubleSettingsWriteTheShortestExactText) {
  struct Case {
    double value;
    const char* want;
  };
  const Case cases[] = {{4.5, "4.5"}, {5000, "5000"}, {0.1, "0.1"}, {1.0 / 3.0, "0.3333333333333333"}, {1e-7, "1e-07"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.want);
    fs::remove(ini());
    configurationIni store(ini().string());
    Static_ConfigVariable<double> v("VREL.x", c.value, store);
    EXPECT_EQ(fileText(ini()), std::string("[VREL]\nx=") + c.want + "\n");
    configurationIni again(ini().string());
    EXPECT_EQ(Static_ConfigVariable<double>("VREL.x", 0.0, again).value(), c.value);
  }
}

// The only test using the process-wide store: it runs in its own folder.
TEST_F(ConfigTest, ProcessWideStoreUsesConfigIniInCurrentFolder) {
  const fs::path previous = fs::current_path();
  fs::current_path(dir_);
  const parametresVrel& first = reglagesVrel();
  const parametresVrel& second = reglagesVrel();
  const std::string text = fileText(dir_ / "config.ini");
  fs::current_path(previous);

  EXPECT_EQ(&first, &second);
  EXPECT_EQ(configurationIni::instance().path(), "config.ini");
  expectAllDefaults(first);
  EXPECT_EQ(text, kAllDefaults);
}

}  // namespace
