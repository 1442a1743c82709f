// The GSI decoder: words and their values in every unit, text words, lines
// that end early, the observation book, the analysis text, line endings of
// field books, and three real field books decoded value for value.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "field/gsi.hpp"
#include "support/temp_folder.hpp"

namespace fs = std::filesystem;

namespace {

std::string donnee(const std::string& nom) { return std::string(GELTARO_TEST_DATA_DIR) + "/gsi/" + nom; }

std::vector<motGsi> decoder(const std::string& ligne, decodageGsi attendu = decodageGsi::complete) {
  std::vector<motGsi> mots;
  EXPECT_EQ(decoderLigneGsi(ligne, mots), attendu) << ligne;
  return mots;
}

// ------------------------------------------------------------ values

TEST(ValeursGsi, ConvertiesEnMetresEtGrades) {
  struct Cas {
    const char* pourquoi;
    const char* ligne;
    int code;
    double valeur;
  } cas[] = {
      {"grades, 5 decimals: 1 and seven zeros", "21...2+10000000 ", 21, 100.0},
      {"sexagesimal 90°30'00'' is 90.5°", "22...4+09030000 ", 22, 90.5 * 10.0 / 9.0},
      {"decimal degrees 90.00000", "22...3+09000000 ", 22, 100.0},
      {"metres, last digit 1 mm", "31...0+00000123 ", 31, 0.123},
      {"metres, last digit 1/10 mm", "31...6+00000123 ", 31, 0.0123},
      {"metres, last digit 1/100 mm", "31...8+00000123 ", 31, 0.00123},
      {"10 ft, last digit 1/1000 ft", "31...1+00010000 ", 31, 3.048},
      {"10 ft, last digit 1/10000 ft", "31...7+00100000 ", 31, 3.048},
      {"sign '-'", "33...0-00000123 ", 33, -0.123},
      {"1600 mil are 100 grades", "21...5+16000000 ", 21, 100.0},
      {"an unknown units digit counts as metres", "32...9+00001234 ", 32, 1.234},
      {"a '.' units digit too", "32....+00001234 ", 32, 1.234},
      // 359°59'59.9'' = 359.9999722...° -> x 10/9
      {"sexagesimal with tenths of seconds", "21...4+35959599 ", 21, (359.0 + 59.0 / 60 + 59.9 / 3600) * 10 / 9},
      {"negative sexagesimal: the whole angle", "22...4-00130000 ", 22, -1.5 * 10 / 9},
      {"GSI-16 data", "*81...0+0000000123456789 ", 81, 123456.789},
      {"GSI-16 sexagesimal", "*21.024+0000000003545100 ", 21, (35.0 + 45.0 / 60 + 10.0 / 3600) * 10 / 9},
      {"word 25 is numeric too", "25...2+20904010 ", 25, 209.0401},
      {"height 88, GSI-8", "88..10+00001350 ", 88, 1.35},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    auto mots = decoder(c.ligne);
    ASSERT_EQ(mots.size(), 1u);
    EXPECT_EQ(mots[0].code, c.code);
    EXPECT_EQ(mots[0].type, typeMotGsi::numerique);
    EXPECT_NEAR(mots[0].valeur, c.valeur, 1e-9);
  }
}

// The seconds are taken from the digits: binary rounding of 90.3 must not
// make 29' and 100''.
TEST(ValeursGsi, MinutesRondesSansErreurDArrondi) {
  for (const char* texte : {"09030000", "00030000", "12345000", "00100000", "00059590"}) {
    SCOPED_TRACE(texte);
    const std::string t(texte);
    const double d = std::stod(t.substr(0, 3)), m = std::stod(t.substr(3, 2)), s = std::stod(t.substr(5)) / 10;
    EXPECT_NEAR(valeurMotGsi(t, '+', '4'), (d + m / 60 + s / 3600) * 10 / 9, 1e-12);
  }
  EXPECT_EQ(decrireLigneGsi(decoder("110001+0000A101 22...4+09030000 ")), "    A101\tav =  100.55556");
}

// ------------------------------------------------------------ text words

TEST(TextesGsi, ZerosEtPointsDeTeteBlanchis) {
  struct Cas {
    const char* ligne;
    int code;
    const char* texte;
  } cas[] = {
      {"110001+0000A101 ", 11, "    A101"},
      {"*110001+000000000000A101 ", 11, "            A101"},
      {"51..1.+0000+000 ", 51, "    +000"},
      {"71....+..0.0A01 ", 71, "     A01"},  // '.' and '0' alike, up to the first other
      {"110001+00000000 ", 11, "        "},
      {"110001+A1000000 ", 11, "A1000000"},  // inner zeros stay
      {"110001+STAZLIB3 ", 11, "STAZLIB3"},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.ligne);
    auto mots = decoder(c.ligne);
    ASSERT_EQ(mots.size(), 1u);
    EXPECT_EQ(mots[0].code, c.code);
    EXPECT_EQ(mots[0].type, typeMotGsi::texte);
    EXPECT_STREQ(mots[0].texte, c.texte);
  }
  // Numeric words keep their data as read; info is positions 3 to 6.
  auto mots = decoder("21.102+01234500 ");
  EXPECT_STREQ(mots[0].texte, "01234500");
  EXPECT_STREQ(mots[0].info, ".102");
}

// ------------------------------------------------------------ line ends

TEST(LignesGsi, FinsDeLigneEtMotsMalFormes) {
  const std::string mesure = "110001+0000A101 21...2+10000000 ";
  struct Cas {
    const char* pourquoi;
    std::string ligne;
    decodageGsi resultat;
    std::size_t mots;
  } cas[] = {
      {"empty line", "", decodageGsi::complete, 0},
      {"a lone '*'", "*", decodageGsi::complete, 0},
      {"one character left", mesure + "3", decodageGsi::complete, 2},
      {"not two digits", "ab0001+00000001 ", decodageGsi::interrompu, 0},
      {"a comment line", "; fin du carnet", decodageGsi::interrompu, 0},
      {"one digit then a letter, after a word", mesure + "3x...0+00000123 ", decodageGsi::interrompu, 2},
      {"last word without its separator", mesure + "31...0+00000123", decodageGsi::interrompu, 2},
      {"word cut short", mesure + "31...0+0001", decodageGsi::interrompu, 2},
      {"trailing blanks", mesure + "  ", decodageGsi::interrompu, 2},
      {"GSI-16 word cut short", "*110001+000000000000A1", decodageGsi::interrompu, 0},
      {"GSI-8 words in a GSI-16 line", "*110001+0000A101 21...2+10000000 ", decodageGsi::interrompu, 1},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    std::vector<motGsi> mots;
    EXPECT_EQ(decoderLigneGsi(c.ligne, mots), c.resultat);
    EXPECT_EQ(mots.size(), c.mots);
  }
}

TEST(LignesGsi, LongueurMaximale) {
  // 4095 words of 16 characters and 15 blanks: exactly the longest line.
  std::string ligne;
  for (int i = 0; i < 4095; ++i) ligne += "31...0+00000123 ";
  ligne += std::string(15, ' ');
  ASSERT_EQ(ligne.size(), kLongueurMaxLigneGsi);
  std::vector<motGsi> mots;
  EXPECT_EQ(decoderLigneGsi(ligne, mots), decodageGsi::interrompu);  // the blanks end it
  EXPECT_EQ(mots.size(), 4095u);
  ligne += ' ';
  EXPECT_EQ(decoderLigneGsi(ligne, mots), decodageGsi::tropLongue);
  EXPECT_TRUE(mots.empty());
}

// Every prefix of a line lies in a buffer of its exact size, so that a read
// past its end shows under the address sanitizer.
TEST(LignesGsi, JamaisAuDelaDeLaLigne) {
  for (const std::string& ligne : {std::string("110001+0000A101 21...2+10000000 33...0-00000123 "),
                                  std::string("*110001+000000000000A101 21...4+0000000003545100 ")}) {
    const std::size_t debut = ligne[0] == '*' ? 1 : 0, pas = debut ? 24 : 16;
    for (std::size_t k = 0; k <= ligne.size(); ++k) {
      SCOPED_TRACE(k);
      std::unique_ptr<char[]> exacte(new char[k ? k : 1]);
      ligne.copy(exacte.get(), k);
      std::vector<motGsi> mots;
      decoderLigneGsi(std::string_view(exacte.get(), k), mots);
      EXPECT_EQ(mots.size(), k > debut ? (k - debut) / pas : 0);
    }
  }
}

TEST(LignesGsi, FinsDeLigneDesCarnets) {
  const fs::path dossier = geltaro::testing::dossierDeTest("geltaro-gsi");
  struct Cas {
    const char* pourquoi;
    std::string contenu;
    std::vector<std::string> lignes;
  } cas[] = {
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"LF", "a\nb\n", {"a", "b"}},
      {"CR alone", "a\rb\r", {"a", "b"}},
      {"mixed, last line without end", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"empty lines kept", "\ra\r\r\rb\n\n", {"", "a", "", "", "b", ""}},
      {"CR CR LF: an empty line", "a\r\r\nb", {"a", "", "b"}},
      {"LF CR: two ends", "a\n\rb", {"a", "", "b"}},
      {"empty file", "", {}},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pourquoi);
    const fs::path chemin = dossier / "carnet.gsi";
    std::ofstream(chemin, std::ios::binary) << c.contenu;
    bool lu = false;
    EXPECT_EQ(lireLignesGsi(chemin.string(), &lu), c.lignes);
    EXPECT_TRUE(lu);
  }
  bool lu = true;
  EXPECT_TRUE(lireLignesGsi((dossier / "absent.gsi").string(), &lu).empty());
  EXPECT_FALSE(lu);
  lu = true;
  EXPECT_TRUE(lireLignesGsi(dossier.string(), &lu).empty());  // a folder opens but does not read
  EXPECT_FALSE(lu);
}

// ------------------------------------------------------------ book and description

TEST(CarnetGsi, LigneDeMesure) {
  carnetObservations carnet;
  EXPECT_EQ(carnet.noms(), (std::unordered_set<std::string>{"nord", "north", "."}));
  // Every recorded word, 21 twice (the later wins), a word the book skips.
  interpreterLigneGsi(decoder("110012+0000A101 21...2+10000000 22...2+09000000 31...0+00012345 32...0+00012000 "
                              "33...0-00000500 81...0+01000000 82...0+02000000 83...0+00100000 84...0+00500000 "
                              "85...0+00600000 86...0+00070000 87...0+00001500 88...0+00001600 21...2+20000000 "
                              "71....+00000012 "),
                      carnet);
  ASSERT_EQ(carnet.observations().size(), 1u);
  const auto& e = carnet.observations()[0];
  EXPECT_EQ(e.station, -1);
  EXPECT_EQ(e.x, kIndefini);
  EXPECT_EQ(e.y, kIndefini);
  EXPECT_EQ(e.z, kIndefini);
  const observationGsi& o = e.observation;
  EXPECT_EQ(o.nom, "A101");
  EXPECT_STREQ(o.point.getNomPoint(), "A101");
  EXPECT_DOUBLE_EQ(o.point.getX(), 1000.0);
  EXPECT_DOUBLE_EQ(o.point.getY(), 2000.0);
  EXPECT_DOUBLE_EQ(o.point.getZ(), 100.0);
  const double valeurs[] = {o.ah, o.av, o.di, o.dh, o.dz, o.Xstat, o.Ystat, o.Zstat, o.hmire, o.hAppareil};
  const double attendues[] = {200.0, 90.0, 12.345, 12.0, -0.5, 500.0, 600.0, 70.0, 1.5, 1.6};
  for (int i = 0; i < 10; ++i) EXPECT_NEAR(valeurs[i], attendues[i], 1e-9) << i;
  for (bool drapeau : {o.aX, o.aY, o.aZ, o.aAh, o.aAv, o.aDi, o.aDh, o.aDz, o.aXstat, o.aYstat, o.aZstat, o.aHmire,
                       o.aHAppareil})
    EXPECT_TRUE(drapeau);
  EXPECT_EQ(carnet.pointsConnus().count("A101"), 1u);
  EXPECT_EQ(carnet.noms().count("A101"), 1u);
}

TEST(CarnetGsi, ValeursAbsentesEtLignesIgnorees) {
  carnetObservations carnet;
  interpreterLigneGsi(decoder("*110001+000000000000A102 31...0+0000000000001000 "), carnet);
  ASSERT_EQ(carnet.observations().size(), 1u);
  const observationGsi& o = carnet.observations()[0].observation;
  EXPECT_EQ(o.nom, "A102");  // the GSI-16 padding does not fill the 9 characters of the point
  EXPECT_STREQ(o.point.getNomPoint(), "A102");
  EXPECT_EQ(o.point.getX(), 0.0);
  EXPECT_EQ(o.point.getY(), 0.0);
  EXPECT_EQ(o.point.getZ(), 0.0);
  EXPECT_TRUE(o.aDi);
  EXPECT_FALSE(o.aAh || o.aAv || o.aDh || o.aDz || o.aX || o.aY || o.aZ || o.aHmire);
  EXPECT_EQ(o.ah, 0.0);
  EXPECT_TRUE(carnet.pointsConnus().empty());  // no X and Y

  // Only X: not a known point. Code blocks, other lines, nothing: no record.
  interpreterLigneGsi(decoder("110001+0000A103 81...0+01000000 "), carnet);
  interpreterLigneGsi(decoder("410001+00000002 42...0+0000STA1 "), carnet);
  interpreterLigneGsi(decoder("21...2+10000000 "), carnet);
  interpreterLigneGsi({}, carnet);
  EXPECT_EQ(carnet.observations().size(), 2u);
  EXPECT_TRUE(carnet.pointsConnus().empty());
}

TEST(CarnetGsi, PointConnuRemplace) {
  carnetObservations carnet;
  interpreterLigneGsi(decoder("110001+0000A101 81...0+01000000 82...0+02000000 "), carnet);
  interpreterLigneGsi(decoder("110002+0000A101 81...0+01500000 82...0+02500000 83...0+00010000 "), carnet);
  EXPECT_EQ(carnet.observations().size(), 2u);
  ASSERT_EQ(carnet.pointsConnus().size(), 1u);
  const observationGsi& connu = carnet.pointsConnus().at("A101");
  EXPECT_DOUBLE_EQ(connu.point.getX(), 1500.0);
  EXPECT_DOUBLE_EQ(connu.point.getY(), 2500.0);
  EXPECT_TRUE(connu.aZ);
  EXPECT_EQ(carnet.noms().size(), 4u);
}

TEST(DescriptionGsi, MotParMot) {
  EXPECT_EQ(decrireLigneGsi(decoder("110001+0000A101 21...2+10000000 22...2+09000000 31...0+00000123 "
                                    "32...6+00000123 33...0-00000123 51..1.+0000+000 52....+00000012 "
                                    "53....+00000034 58....+00000056 59....+00000078 71....+000000P1 "
                                    "79....+00000009 81...0+00001000 82...0+00002000 83...0+00003000 "
                                    "84...0+00004000 85...0+00005000 86...0+00006000 87...0+00001500 "
                                    "88...0+00001600 25...2+20904010 99....+000000AB 12....+0000.0XY ")),
            "    A101\tah = 100.00000\tav =  90.00000\tdi =  0.12300\tdh =  0.01230\tdz =  -0.12300"
            "\tPPM-MM =     +000\tECM,ECS =       12\tP.SIGNAL =       34\tConst Refl =       56"
            "\tPPM =       78\tCodePt =       P1\tCodePt =        9\tXpt = 1.00000\tYpt = 2.00000"
            "\tZpt = 3.00000\tXstat = 4.00000\tYstat = 5.00000\tZstat = 6.00000\thmire = 1.50000"
            "\thAppareil = 1.60000\tINCONNU = 25, 20904010\tINCONNU = 99,       AB\tINCONNU = 12,       XY");
  EXPECT_EQ(decrireLigneGsi(decoder("410001+00000002 42...0+0000STA1 43...0+00001500 ")),
            " code: 41 val = [       2] code: 42 val = [    STA1] code: 43 val = [    1500]");
  EXPECT_EQ(decrireLigneGsi(decoder("21...2+10000000 ")), "");
  EXPECT_EQ(decrireLigneGsi({}), "");
}

TEST(AnalyseGsi, TexteEtProgression) {
  carnetObservations carnet;
  const std::vector<std::string> lignes = {
      "",
      "410001+00000002 42...0+0000STA1 ",
      "110002+0000A101 21...2+10000000 31...0+00012345",  // the distance has no separator
      "pas une ligne GSI",
      std::string(kLongueurMaxLigneGsi + 1, '1'),
      "*110003+000000000000A102 81...0+0000000001000000 82...0+0000000002000000 ",
  };
  std::vector<int> vues;
  const std::string analyse = analyserLignesGsi(lignes, carnet, [&](int i) { vues.push_back(i); });
  EXPECT_EQ(analyse,
            " code: 41 val = [       2] code: 42 val = [    STA1]\n"
            "    A101\tah = 100.00000\n"
            "Ligne 5 ignor\xE9"
            "e : elle d\xE9passe 65535 caract\xE8res.\n"
            "            A102\tXpt = 1000.00000\tYpt = 2000.00000\n");
  EXPECT_EQ(vues, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  ASSERT_EQ(carnet.observations().size(), 2u);
  EXPECT_FALSE(carnet.observations()[0].observation.aDi);
  EXPECT_EQ(carnet.pointsConnus().count("A102"), 1u);
  // A second analysis records the lines again.
  analyserLignesGsi(lignes, carnet);
  EXPECT_EQ(carnet.observations().size(), 4u);
}

// ------------------------------------------------------------ real field books

struct Attendu {
  std::size_t ligne;  // 0-based line of the file
  std::string nom;
  std::vector<std::pair<int, double>> valeurs;  // word index, converted value
};

void verifierCarnet(const std::string& fichier, std::size_t nbLignes, std::size_t nbMesures,
                    const std::vector<Attendu>& attendus) {
  SCOPED_TRACE(fichier);
  const auto lignes = lireLignesGsi(donnee(fichier));
  ASSERT_EQ(lignes.size(), nbLignes);
  carnetObservations carnet;
  std::size_t decrites = 0;
  std::vector<motGsi> mots;
  for (const std::string& l : lignes) {
    EXPECT_EQ(decoderLigneGsi(l, mots), decodageGsi::complete) << l;
    interpreterLigneGsi(mots, carnet);
    if (!decrireLigneGsi(mots).empty()) ++decrites;
  }
  EXPECT_EQ(decrites, nbMesures);
  EXPECT_EQ(carnet.observations().size(), nbMesures);

  for (const Attendu& a : attendus) {
    SCOPED_TRACE(a.ligne);
    decoderLigneGsi(lignes.at(a.ligne), mots);
    carnetObservations un;
    interpreterLigneGsi(mots, un);
    ASSERT_EQ(un.observations().size(), 1u);
    const observationGsi& o = un.observations()[0].observation;
    EXPECT_EQ(o.nom, a.nom);
    for (auto [code, valeur] : a.valeurs) {
      SCOPED_TRACE(code);
      double lu = 0;
      bool present = false;
      switch (code) {
        case 21: lu = o.ah, present = o.aAh; break;
        case 22: lu = o.av, present = o.aAv; break;
        case 31: lu = o.di, present = o.aDi; break;
        case 32: lu = o.dh, present = o.aDh; break;
        case 33: lu = o.dz, present = o.aDz; break;
        case 81: lu = o.point.getX(), present = o.aX; break;
        case 82: lu = o.point.getY(), present = o.aY; break;
        case 83: lu = o.point.getZ(), present = o.aZ; break;
        case 84: lu = o.Xstat, present = o.aXstat; break;
        case 85: lu = o.Ystat, present = o.aYstat; break;
        case 86: lu = o.Zstat, present = o.aZstat; break;
        case 87: lu = o.hmire, present = o.aHmire; break;
        case 88: lu = o.hAppareil, present = o.aHAppareil; break;
        default: FAIL();
      }
      EXPECT_TRUE(present);
      EXPECT_NEAR(lu, valeur, 1e-9);
    }
  }
}

// CR line ends only, an empty line first and two between the records;
// angles in gon (units digit 2), distances in mm (units digit 0).
TEST(CarnetsReels, Rilievo) {
  verifierCarnet("RILIEVO.gsi", 70, 23,
                 {
                     // 110001+00000100 21.102+11545200 22.102+09885300 31..00+00000000 32..00+00000000
                     {1, "100", {{21, 115.452}, {22, 98.853}, {31, 0.0}, {32, 0.0}}},
                     // 110003+00000102 21.102+13247100 22.102+10378200 31..00+00005165 32..00+00005156
                     {7, "102", {{21, 132.471}, {22, 103.782}, {31, 5.165}, {32, 5.156}}},
                 });
}

// GSI-16, LF line ends, angles sexagesimal (units digit 4).
TEST(CarnetsReels, Gurob) {
  verifierCarnet("leica_gsi16_gurob.gsi", 344, 343,
                 {
                     // *110002+00000000GDEM5415 21.024+0000000003545100 22.024+0000000009117510
                     //  31...0+0000000000013825 51....+000000000017+000 87...0+0000000000001300
                     //  88...0+0000000000001324
                     // ah 35°45'10.0'' = 35.7527777...° = 39.7253086 gr; av 91°17'51.0'' = 91.2975°
                     // = 101.4416667 gr; di 13.825 m; hmire 1.300; hAppareil 1.324.
                     {0,
                      "GDEM5415",
                      {{21, 35.75277777777778 * 10 / 9}, {22, 101.44166666666667}, {31, 13.825}, {87, 1.3},
                       {88, 1.324}}},
                     // *110179+00000000GDEM5592 21.024+0000000004956400 22.024+0000000009145030
                     //  31...0+0000000000134525 ... 87...0+0000000000002150
                     // ah 49°56'40.0'' = 49.9444444° = 55.4938272 gr; av 91°45'03.0'' = 91.750833...°
                     // = 101.9453704 gr; di 134.525; hmire 2.150.
                     {200,
                      "GDEM5592",
                      {{21, 49.94444444444444 * 10 / 9}, {22, 91.75083333333333 * 10 / 9}, {31, 134.525},
                       {87, 2.15}}},
                 });
}

// GSI-8, CR LF line ends, gon, mm; coordinates and station lines.
TEST(CarnetsReels, Ertola) {
  verifierCarnet("leica_gsi8_ertola.gsi", 699, 699,
                 {
                     // 110001+00000001 21.322+03496940 22.322+09364360 31..00+00030485 51..1.+0000+000
                     //  87..10+00001500 81..00+00515836 82..00+00525871 83..00+00003079 71....+00000001
                     //  32..10+00030333
                     {0,
                      "1",
                      {{21, 34.9694}, {22, 93.6436}, {31, 30.485}, {87, 1.5}, {81, 515.836}, {82, 525.871},
                       {83, 3.079}, {32, 30.333}}},
                     // 110498+STAZLIB3 25.342+20904010 84..40+00519659 85..40+00465244 86..40-00000588
                     //  87..10+00002150 88..10+00001350
                     {497, "STAZLIB3", {{84, 519.659}, {85, 465.244}, {86, -0.588}, {87, 2.15}, {88, 1.35}}},
                     // 110699+00001175 ... 31..00+00011171 ... 83..00-00001572 ... 32..10+00010984
                     {698, "1175", {{21, 344.4634}, {22, 111.6598}, {31, 11.171}, {83, -1.572}, {32, 10.984}}},
                 });
  // Point 1 is measured again on line 384: the known point holds the later
  // coordinates (81..00+00520431 82..00+00469857 83..00-00000357).
  carnetObservations carnet;
  analyserLignesGsi(lireLignesGsi(donnee("leica_gsi8_ertola.gsi")), carnet);
  const observationGsi& un = carnet.pointsConnus().at("1");
  EXPECT_NEAR(un.point.getX(), 520.431, 1e-9);
  EXPECT_NEAR(un.point.getY(), 469.857, 1e-9);
  EXPECT_NEAR(un.point.getZ(), -0.357, 1e-9);
  EXPECT_EQ(carnet.pointsConnus().count("STAZLIB3"), 0u);  // station lines carry no 81/82
}

TEST(CarnetsReels, DescriptionDUneStation) {
  const auto lignes = lireLignesGsi(donnee("leica_gsi8_ertola.gsi"));
  std::vector<motGsi> mots;
  decoderLigneGsi(lignes.at(497), mots);
  EXPECT_EQ(decrireLigneGsi(mots),
            "STAZLIB3\tINCONNU = 25, 20904010\tXstat = 519.65900\tYstat = 465.24400\tZstat = -0.58800"
            "\thmire = 2.15000\thAppareil = 1.35000");
}

}  // namespace
