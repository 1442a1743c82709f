// The codification table: its file, its entries, its layers, its two
// dialogs and the commands VCODIFICATION and c:vcode.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "frame/installation.hpp"
#include "host/app/host_app.hpp"
#include "host/db/objects.hpp"
#include "host/ed/editor.hpp"
#include "host/ed/graphics.hpp"
#include "host/ui/session.hpp"
#include "points/project.hpp"
#include "points/codification.hpp"
#include "tools/codification_commands.hpp"
#include "tools/codification_dialogs.hpp"

namespace fs = std::filesystem;
using host::ui::testing::contains;
using host::ui::testing::Session;

namespace {

// The installation folder of the whole test program: a temporary folder,
// set before anything asks for it (the folder is read once).
fs::path gDossier;

class Installation : public ::testing::Environment {
 public:
  void SetUp() override {
    gDossier = fs::temp_directory_path() / ("geltaro-codification-" + std::to_string(::getpid()));
    fs::remove_all(gDossier);
    fs::create_directories(gDossier / "biblio");
    // A trailing separator, which the folder loses.
    ::setenv("GELTARO_HOME", (gDossier.string() + "/").c_str(), 1);
  }
  void TearDown() override { fs::remove_all(gDossier); }
};
const auto* const gInstallation = ::testing::AddGlobalTestEnvironment(new Installation);

std::wstring large(const fs::path& p) { return host::fromUtf8(p.string()); }
std::wstring dossierW() { return large(gDossier); }

std::string lire(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

void ecrire(const fs::path& p, const std::string& texte) { std::ofstream(p, std::ios::binary) << texte; }

// A table with no entry, whatever the default file holds.
struct TableVide {
  tableCodification table;
  TableVide() { table.vider(); }
};

std::string entree(const std::string& elements) { return "<codifPoint>" + elements + "</codifPoint>"; }
std::string fichierXml(const std::string& entrees) {
  return "<codifPoints><TBdata>" + entrees + "</TBdata></codifPoints>";
}

}  // namespace

// ------------------------------------------------------------ installation

TEST(Installation, FolderNamesAndSystemPaths) {
  EXPECT_EQ(dossierInstallation(), dossierW());
  EXPECT_EQ(fichierInstallation(L"defcodif"), dossierW() + L"\\defcodif");
  EXPECT_EQ(fichierInstallation(L"vrelblk1.dwg", L"biblio"), dossierW() + L"\\biblio\\vrelblk1.dwg");
  EXPECT_EQ(cheminSysteme(L"C:\\a/b\\\u00e9t\u00e9.dwg"), "C:/a/b/\xC3\xA9t\xC3\xA9.dwg");
  EXPECT_EQ(cheminSysteme(fichierInstallation(L"defcodif")), (gDossier / "defcodif").string());
}

// ------------------------------------------------------------ the file

TEST(FichierCodification, FirstRunWritesTheTwoDefaultEntries) {
  const fs::path defcodif = gDossier / "defcodif";
  fs::remove(defcodif);
  Session s("");
  {
    tableCodification table;
    ASSERT_EQ(table.nbCodes(), 2);
    EXPECT_EQ(table.nomFichier(), fichierInstallation(L"defcodif"));
    EXPECT_EQ(table.getAt(0).code, 1);
    EXPECT_EQ(table.getAt(0).libelle, L"Point topo");
    EXPECT_EQ(table.getAt(0).chemin, dossierW() + L"\\biblio\\vrelblk1.dwg");
    EXPECT_EQ(table.getAt(1).code, 100);
    EXPECT_EQ(table.getAt(1).libelle, L"Station");
    EXPECT_EQ(table.getAt(1).chemin, dossierW() + L"\\biblio\\vrelblk3.dwg");
  }
  const std::string d = gDossier.string();
  auto attendue = [&](const char* code, const char* libelle, const char* bloc) {
    return std::string("        <codifPoint>\n") + "            <code>" + code + "</code>\n" +
           "            <libelle mode=\"utf8\">" + libelle + "</libelle>\n" + "            <chemin mode=\"utf8\">" + d +
           "\\biblio\\" + bloc + "</chemin>\n" +
           "            <tailleBlock>1.000000</tailleBlock>\n"
           "            <precisionAltitudes>2</precisionAltitudes>\n"
           "            <layerBlock mode=\"utf8\">0</layerBlock>\n"
           "            <layerAltitudes mode=\"utf8\">_ Altitudes Points</layerAltitudes>\n"
           "            <layerNumero mode=\"utf8\">_ Numero Points</layerNumero>\n"
           "            <layerObs mode=\"utf8\">_ Obs Points</layerObs>\n"
           "            <layerCode mode=\"utf8\">_ Codes Points</layerCode>\n"
           "            <coulLayerBlock>7</coulLayerBlock>\n"
           "            <coulLayerAltitudes>7</coulLayerAltitudes>\n"
           "            <coulLayerNumero>7</coulLayerNumero>\n"
           "            <coulLayerObs>7</coulLayerObs>\n"
           "            <coulLayerCode>7</coulLayerCode>\n"
           "        </codifPoint>\n";
  };
  EXPECT_EQ(lire(defcodif), "<codifPoints>\n    <TBdata>\n" + attendue("1", "Point topo", "vrelblk1.dwg") +
                                attendue("100", "Station", "vrelblk3.dwg") + "    </TBdata>\n</codifPoints>\n");
  EXPECT_EQ(s.out(), "");

  // The next construction reads that file instead of adding the defaults again.
  ecrire(defcodif, fichierXml(entree("<code>7</code>")));
  tableCodification relue;
  ASSERT_EQ(relue.nbCodes(), 1);
  EXPECT_EQ(relue.getAt(0).code, 7);
  // A file that gives nothing falls back on the default file.
  tableCodification autre(large(gDossier / "absent.xml"));
  EXPECT_EQ(autre.nomFichier(), fichierInstallation(L"defcodif"));
  EXPECT_EQ(autre.nbCodes(), 1);
  // A file of its own is kept as the table's file.
  tableCodification propre(large(defcodif));
  EXPECT_EQ(propre.nomFichier(), large(defcodif));
}

TEST(FichierCodification, ReadingKeepsDefaultsAndDecodesTexts) {
  const codifPoint defaut;
  struct Case {
    const char* why;
    std::string elements;
    int32_t code;
    std::wstring libelle;
  } cases[] = {
      {"only code and label", "<code>12</code><libelle mode=\"utf8\">Regard</libelle>", 12, L"Regard"},
      {"empty elements", "<code></code><libelle mode=\"utf8\"></libelle><chemin/><tailleBlock></tailleBlock>", 1,
       L"Point Topo"},
      {"names are matched exactly", "<Code>5</Code><LIBELLE>x</LIBELLE>", 1, L"Point Topo"},
      {"two-byte UTF-8", "<libelle mode=\"utf8\">Fa\xC3\xA7" "ade \xC3\xA9" "t\xC3\xA9</libelle>", 1,
       L"Fa\u00e7ade \u00e9t\u00e9"},
      {"three-byte UTF-8", "<libelle mode=\"utf8\">\xE2\x82\xAC</libelle>", 1, L"\u20ac"},
      {"a mode in capitals other than asc", "<libelle mode=\"UTF8\">\xC3\xA9</libelle>", 1, L"\u00e9"},
      {"any mode but asc is UTF-8", "<libelle mode=\"x\">\xC3\xA9</libelle>", 1, L"\u00e9"},
      {"no mode: Windows-1252", "<libelle>\xE9t\xE9 \x80</libelle>", 1, L"\u00e9t\u00e9 \u20ac"},
      {"mode asc in any case: Windows-1252", "<libelle mode=\"AsC\">\xE9</libelle>", 1, L"\u00e9"},
      {"beyond 0xFFFF", "<libelle mode=\"utf8\">a\xF0\x9F\x98\x80" "b</libelle>", 1, L"a?b"},
      {"malformed: stops, keeps the start", "<libelle mode=\"utf8\">Mur\xC3(x</libelle>", 1, L"Mur"},
      {"stray continuation byte", "<libelle mode=\"utf8\">ab\x80" "cd</libelle>", 1, L"ab"},
      {"truncated at the end", "<libelle mode=\"utf8\">ab\xE2\x82</libelle>", 1, L"ab"},
      // Nothing left: as an empty element, the default (saved empty, the
      // text would read back as the default anyway; found by fuzzing).
      {"malformed from its first byte", "<libelle mode=\"utf8\">\xB2x</libelle>", 1, L"Point Topo"},
      {"atoi: leading number", "<code> 42xyz</code>", 42, L"Point Topo"},
      {"atoi: not a number", "<code>abc</code>", 0, L"Point Topo"},
      {"atoi: beyond 32 bits", "<code>99999999999</code>", INT32_MAX, L"Point Topo"},
  };
  const fs::path f = gDossier / "cas.xml";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    ecrire(f, fichierXml(entree(c.elements)));
    TableVide t;
    ASSERT_TRUE(t.table.charger(large(f)));
    ASSERT_EQ(t.table.nbCodes(), 1);
    const codifPoint& e = t.table.getAt(0);
    EXPECT_EQ(e.code, c.code);
    EXPECT_EQ(e.libelle, c.libelle);
    EXPECT_EQ(e.chemin, defaut.chemin);
    EXPECT_EQ(e.chemin, dossierW() + L"\\biblio\\vrelblk1.dwg");
    EXPECT_EQ(e.tailleBlock, 1.0);
    EXPECT_EQ(e.precisionAltitudes, 2);
    EXPECT_EQ(e.calques, defaut.calques);
    EXPECT_EQ(e.couleurs, (std::array<int32_t, 5>{7, 7, 7, 7, 7}));
  }
}

TEST(FichierCodification, OversizedLabelAndEntriesAmongOtherElements) {
  const std::string longue(200000, 'x');
  const fs::path f = gDossier / "long.xml";
  ecrire(f, "<!-- commentaire --><codifPoints><TBdata>" + entree("<code>3</code><libelle>" + longue + "</libelle>") +
                "<autre/>" + entree("<code>4</code><tailleBlock>2.5</tailleBlock><coulLayerObs>3</coulLayerObs>") +
                "</TBdata></codifPoints>");
  TableVide t;
  t.table.ajouter(codifPoint());
  // Entries are appended to those already there.
  ASSERT_TRUE(t.table.charger(L" ;" + large(f) + L"\t."));
  ASSERT_EQ(t.table.nbCodes(), 3);
  EXPECT_EQ(t.table.getAt(1).libelle, std::wstring(longue.size(), L'x'));
  EXPECT_EQ(t.table.getAt(2).code, 4);
  EXPECT_EQ(t.table.getAt(2).tailleBlock, 2.5);
  EXPECT_EQ(t.table.getAt(2).couleurs[codifPoint::kCalqueObs], 3);
}

TEST(FichierCodification, UnreadableFilesLoadNothing) {
  struct Case {
    const char* why;
    std::string texte;
  } cases[] = {
      {"broken XML", "<codifPoints><TBdata><codifPoint><code>1</code>"},
      {"another root", "<autre><TBdata>" + entree("<code>2</code>") + "</TBdata></autre>"},
      {"no TBdata", "<codifPoints>" + entree("<code>2</code>") + "</codifPoints>"},
      {"no entry", "<codifPoints><TBdata/></codifPoints>"},
      {"not XML at all", std::string("\x00\xFF\xFE garbage", 11)},
  };
  const fs::path f = gDossier / "mauvais.xml";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    ecrire(f, c.texte);
    TableVide t;
    EXPECT_FALSE(t.table.charger(large(f)));
    EXPECT_EQ(t.table.nbCodes(), 0);
  }
  TableVide t;
  EXPECT_FALSE(t.table.charger(large(gDossier / "absent.xml")));
  EXPECT_FALSE(t.table.charger(L" ;. "));
}

TEST(FichierCodification, AnErrorInTheUsersFileIsToldAndTheFileKept) {
  // One XML error in the installation's file: the session works on the two
  // default codes, says where the error is, and never writes them over the
  // user's file (not at start, not when the table is saved later).
  const fs::path defcodif = gDossier / "defcodif";
  const std::string texte = "<codifPoints>\n<TBdata>\n" + entree("<code>7</code>") + "\n<codifPoint><code>8</code>\n</TBdata>\n";
  ecrire(defcodif, texte);
  Session s("");
  {
    tableCodification table;
    ASSERT_EQ(table.nbCodes(), 2);
    EXPECT_EQ(table.getAt(1).code, 100);
    EXPECT_TRUE(contains(s.out(), "Fichier de codification [" + gDossier.string() +
                                      "/defcodif] illisible, ligne 4 : balise fermante qui ne correspond pas"))
        << s.out();
    EXPECT_TRUE(contains(s.out(), "les codes par défaut sont utilisés et le fichier n'est pas modifié")) << s.out();
    EXPECT_EQ(lire(defcodif), texte);
    table.codeCree(12);
    EXPECT_FALSE(table.sauver());
    EXPECT_TRUE(contains(s.out(), "n'a pas pu être lu : il n'est pas remplacé")) << s.out();
    EXPECT_EQ(lire(defcodif), texte);
    // Another file may still receive the table.
    EXPECT_TRUE(table.sauver(large(gDossier / "copie.xml")));
  }
  fs::remove(defcodif);
}

TEST(FichierCodification, SaveAndLoadGiveBackEveryStoredField) {
  TableVide t;
  codifPoint a;
  a.code = 9999;
  a.libelle = L"Fa\u00e7ade <&> \"\u20ac\"";
  a.chemin = L"C:\\Biblioth\u00e8que\\bloc.dwg";
  a.tailleBlock = 0.000001;
  a.precisionAltitudes = 8;
  a.calques = {L"Murs", L"Z \u00e9", L"N", L"O", L"C"};
  a.couleurs = {1, 2, 3, 4, 256};
  codifPoint b;
  b.code = -4;
  b.libelle = L" ???";
  b.tailleBlock = 123456.5;
  t.table.ajouter(a);
  t.table.ajouter(b);
  const fs::path f = gDossier / "aller-retour.xml";
  ecrire(f, std::string(100000, ' '));  // an older, longer file is replaced
  Session s("");
  ASSERT_TRUE(t.table.sauver(large(f)));
  EXPECT_FALSE(fs::exists(f.string() + ".tmp"));
  const std::string texte = lire(f);
  EXPECT_NE(texte.find("Fa\xC3\xA7" "ade &lt;&amp;&gt;"), std::string::npos);
  EXPECT_NE(texte.find("<tailleBlock>0.000001</tailleBlock>"), std::string::npos);
  EXPECT_NE(texte.find("<tailleBlock>123456.500000</tailleBlock>"), std::string::npos);

  TableVide relue;
  ASSERT_TRUE(relue.table.charger(large(f)));
  ASSERT_EQ(relue.table.nbCodes(), 2);
  for (int i = 0; i < 2; ++i) {
    const codifPoint& x = t.table.getAt(i);
    const codifPoint& y = relue.table.getAt(i);
    EXPECT_EQ(y.code, x.code);
    EXPECT_EQ(y.libelle, x.libelle);
    EXPECT_EQ(y.chemin, x.chemin);
    EXPECT_EQ(y.tailleBlock, x.tailleBlock);
    EXPECT_EQ(y.precisionAltitudes, x.precisionAltitudes);
    EXPECT_EQ(y.calques, x.calques);
    EXPECT_EQ(y.couleurs, x.couleurs);
  }
  EXPECT_EQ(s.out(), "");
}

TEST(FichierCodification, AFailedWriteIsReportedAndKeepsThePreviousFile) {
  TableVide t;
  t.table.ajouter(codifPoint());
  const fs::path fichier = gDossier / "regulier";
  ecrire(fichier, "x");
  {
    Session s("");
    const fs::path dessous = fichier / "defcodif";
    EXPECT_FALSE(t.table.sauver(large(dessous)));
    EXPECT_EQ(s.out(), "\nÉcriture impossible du fichier de codification [" + dessous.string() + "]");
  }
  {
    // A folder in the way of the file: the old content stays whole.
    const fs::path dossier = gDossier / "occupe";
    fs::create_directories(dossier / "defcodif");
    Session s("");
    EXPECT_FALSE(t.table.sauver(large(dossier / "defcodif")));
    EXPECT_TRUE(fs::is_directory(dossier / "defcodif"));
    EXPECT_FALSE(fs::exists(dossier / "defcodif.tmp"));
    EXPECT_TRUE(contains(s.out(), "Écriture impossible"));
  }
}

// ------------------------------------------------------------ entries

TEST(TableCodification, LookupCreationRemovalAndSort) {
  TableVide t;
  tableCodification& table = t.table;
  for (int code : {5, 2, 9, 2}) {
    codifPoint c;
    c.code = code;
    c.libelle = L"L" + std::to_wstring(table.nbCodes());
    table.ajouter(c);
  }
  EXPECT_EQ(table.indexDuCode(2), 1);  // the first of two
  EXPECT_EQ(table.indexDuCode(7), -1);
  EXPECT_EQ(&table.codeCree(9), &table.getAt(2));
  EXPECT_EQ(table.nbCodes(), 4);

  const codifPoint& cree = table.codeCree(12);
  EXPECT_EQ(table.nbCodes(), 5);
  EXPECT_EQ(cree.code, 12);
  EXPECT_EQ(cree.libelle, L"Code 12");
  EXPECT_EQ(cree.chemin, dossierW() + L"\\biblio\\vrelblk1.dwg");
  EXPECT_EQ(table.libelleCree(12), L"Code 12");
  EXPECT_EQ(table.libelleCree(40), L"Code N\u00b0 40");
  EXPECT_EQ(table.nbCodes(), 6);
  EXPECT_EQ(table.getAt(5).code, 40);

  for (int i : {-1, 6}) {
    EXPECT_THROW(table.getAt(i), std::out_of_range);
    EXPECT_THROW(std::as_const(table).getAt(i), std::out_of_range);
    EXPECT_THROW(table.supprimer(i), std::out_of_range);
  }
  table.trier();
  std::vector<std::wstring> ordre;
  for (int i = 0; i < table.nbCodes(); ++i) ordre.push_back(table.getAt(i).libelle);
  // Stable: the two entries of code 2 keep their order.
  EXPECT_EQ(ordre, (std::vector<std::wstring>{L"L1", L"L3", L"L0", L"L2", L"Code 12", L"Code N\u00b0 40"}));
  table.supprimer(0);
  EXPECT_EQ(table.getAt(0).libelle, L"L3");
  EXPECT_FALSE(editerCode(table, -1));
  EXPECT_FALSE(editerCode(table, table.nbCodes()));
}

// ------------------------------------------------------------ layers

TEST(CalquesCodification, TrimmedNamesCreatedOnceWithTheirColours) {
  ZcDbDatabase db(true);
  {
    ZcDbObjectPointer<ZcDbLayerTable> calques(db.layerTableId(), ZcDb::kForWrite);
    auto existant = std::make_unique<ZcDbLayerTableRecord>();
    existant->setName(L"Existant");
    existant->setColorIndex(3);
    ASSERT_EQ(calques->add(existant.get()), Zcad::eOk);
  }
  TableVide t;
  codifPoint a;
  a.calques = {L" ;Murs, ", L"", L"Existant", L"\t.", L"_ Codes Points"};
  a.couleurs = {1, 2, 5, 4, 6};
  codifPoint b;
  b.calques = {L"Murs", L"Murs", L"Murs", L"Murs", L"Murs"};
  b.couleurs = {8, 8, 8, 8, 8};
  t.table.ajouter(a);
  t.table.ajouter(b);
  t.table.creerCalques(&db);

  const codifPoint& e = t.table.getAt(0);
  EXPECT_EQ(e.calques, (std::array<std::wstring, 5>{L"Murs", L"0", L"Existant", L"0", L"_ Codes Points"}));
  const char* noms[] = {"Murs", "0", "Existant", "0", "_ Codes Points"};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(noms[i]);
    EXPECT_FALSE(e.idCalques[std::size_t(i)].isNull());
    EXPECT_EQ(e.idCalques[std::size_t(i)], db.symbolId("LAYER", noms[i]));
    EXPECT_EQ(t.table.getAt(1).idCalques[std::size_t(i)], db.symbolId("LAYER", "Murs"));
  }
  auto couleur = [&](const char* nom) {
    ZcDbObjectPointer<ZcDbLayerTableRecord> calque(db.symbolId("LAYER", nom), ZcDb::kForRead);
    return calque ? calque->colorIndex() : -1;
  };
  EXPECT_EQ(couleur("Murs"), 1);            // created by the first entry, not changed by the second
  EXPECT_EQ(couleur("Existant"), 3);        // existing layers are left alone
  EXPECT_EQ(couleur("_ Codes Points"), 6);

  // One entry on the current drawing's layers.
  ZcDbDatabase autre(true);
  ZcDbDatabase* precedent = zcdbCurDwg();
  zcdbSetCurDwg(&autre);
  codifPoint c;
  c.creerCalques();
  zcdbSetCurDwg(precedent);
  EXPECT_EQ(c.idCalques[codifPoint::kCalqueNumero], autre.symbolId("LAYER", "_ Numero Points"));
  EXPECT_TRUE(autre.symbolId("LAYER", "_ Numero Points").isValid());
}

// ------------------------------------------------------------ code dialog

namespace {
tableCodification& tableDeCodes(TableVide& t, std::initializer_list<int> codes) {
  for (int code : codes) {
    codifPoint c;
    c.code = code;
    t.table.ajouter(c);
  }
  return t.table;
}
}  // namespace

TEST(DlgCodification, CodeFieldValidation) {
  const std::string incorrect = "[Erreur] (attention) Code incorrect\nTapez un nombre compris entre 1 et 9999\n";
  const std::string existant =
      "[Erreur] (attention) Code déjà existant\nTapez un '?' pour qu'un numéro soit attribué automatiquement\n";
  struct Case {
    const char* why;
    std::string saisie;
    std::string champ;    // the field afterwards
    std::string message;  // printed
  } cases[] = {
      {"? gives the smallest free code", "?", "3", ""},
      {"blanks and separators are trimmed", " ;?. ", "3", ""},
      {"0 is refused", "0", "?", incorrect},
      {"10000 is refused", "10000", "?", incorrect},
      {"a negative code is refused", "-1", "?", incorrect},
      {"a text is refused", "abc", "?", incorrect},
      {"a used code is refused", "4", "4", existant},
      {"a free code is taken", "9999", "9999", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TableVide t;
    // Codes outside 1..9999 do not count in the search for a free one.
    DlgCodification dlg(tableDeCodes(t, {1, 0, 2, 10000, 4}), true);
    dlg.init();
    Session s("");
    EXPECT_EQ(dlg.userSetText(IDC_CODE, c.saisie), "");
    EXPECT_EQ(dlg.get<host::ui::Edit>(IDC_CODE).text(), c.champ);
    EXPECT_EQ(s.out(), c.message);
  }
}

TEST(DlgCodification, NoFreeCodeAndOkChecksTheCode) {
  TableVide t;
  for (int code = 1; code <= 9999; ++code) tableDeCodes(t, {code});
  {
    DlgCodification dlg(t.table, true);
    dlg.init();
    Session s("");
    dlg.userSetText(IDC_CODE, "?");
    EXPECT_EQ(dlg.get<host::ui::Edit>(IDC_CODE).text(), "?");
    EXPECT_EQ(s.out(), "[erreur] (attention) Pas de code à attribuer\n");
  }
  t.table.supprimer(t.table.indexDuCode(77));
  // OK without leaving the field: the prefilled "-1" is refused, then "?"
  // takes the free code and the dialog closes.
  DlgCodification dlg(t.table, true);
  dlg.init();
  EXPECT_EQ(dlg.get<host::ui::Edit>(IDC_CODE).text(), "-1");
  Session s("");
  EXPECT_NE(dlg.userOk(), "");
  EXPECT_FALSE(dlg.ended());
  EXPECT_TRUE(contains(s.out(), "Code incorrect"));
  EXPECT_EQ(dlg.userOk(), "");
  EXPECT_EQ(dlg.result(), host::ui::IDOK);
  EXPECT_EQ(dlg.valeurCode(), 77);
}

TEST(DlgCodification, EditingAnEntryWritesItsFieldsBackOnOkOnly) {
  TableVide t;
  codifPoint c;
  c.code = 8;
  c.libelle = L"Arbre";
  c.chemin = L"biblio\\arbre";  // completed by the preview
  c.tailleBlock = 0.000001;
  t.table.ajouter(c);
  const fs::path bloc = gDossier / "biblio" / "regard.dwg";
  ecrire(bloc, "");
  // The shipped library holds ".dxf" drawings, known by their ".dwg" names.
  const fs::path haie = gDossier / "biblio" / "haie.dxf";
  ecrire(haie, "");
  struct Case {
    const char* why;
    std::string script;
    std::wstring libelle;
    std::wstring chemin;
    int precision;
    std::wstring calqueObs;
  } cases[] = {
      {"cancel changes nothing", "set 197 Autre\nset 377 5\ncancel\n", L"Arbre", L"biblio\\arbre", 2,
       L"_ Obs Points"},
      {"ok takes every field", "set Libellé Arbre fruitier\nset \"Precision Altis\" 3\nset \"Layer Obs\" Obs arbres\nok\n",
       L"Arbre fruitier", dossierW() + L"\\biblio\\arbre.dwg", 3, L"Obs arbres"},
      {"a precision out of range is refused", "set 377 9\nok\nset 377 0\nok\n", L"Arbre fruitier",
       dossierW() + L"\\biblio\\arbre.dwg", 0, L"Obs arbres"},
      {"the chosen block file stays after cancel", "press Symbole\n" + bloc.string() + "\ncancel\n", L"Arbre fruitier",
       large(bloc), 0, L"Obs arbres"},
      {"a library .dxf picked keeps its .dwg name", "press Symbole\n" + haie.string() + "\ncancel\n",
       L"Arbre fruitier", large(gDossier / "biblio" / "haie.dwg"), 0, L"Obs arbres"},
      {"a name typed without extension finds its .dxf", "press Symbole\n" + (gDossier / "biblio" / "haie").string() +
       "\ncancel\n", L"Arbre fruitier", large(gDossier / "biblio" / "haie.dwg"), 0, L"Obs arbres"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.why);
    Session s(k.script);
    EXPECT_TRUE(editerCode(t.table, 0));
    const codifPoint& e = t.table.getAt(0);
    EXPECT_EQ(e.code, 8);
    EXPECT_EQ(e.libelle, k.libelle);
    EXPECT_EQ(e.chemin, k.chemin);
    EXPECT_EQ(e.precisionAltitudes, k.precision);
    EXPECT_EQ(e.calques[codifPoint::kCalqueObs], k.calqueObs);
    // The small scale survives the dialog.
    EXPECT_EQ(e.tailleBlock, 0.000001);
    EXPECT_TRUE(contains(s.out(), "\"Code\" : \"8\"  (lecture seule)")) << s.out();
    EXPECT_EQ(s.rest(), "");
  }
}

// ------------------------------------------------------------ table dialog

namespace {
struct DialogueTable {
  TableVide t;
  CDlgTabCodification dlg{t.table};
  DialogueTable() {
    struct {
      int code;
      const wchar_t* libelle;
      int precision;
      const wchar_t* chemin;
    } lignes[] = {{5, L"Mur", 2, L"c:\\b\\mur.dwg"}, {2, L"arbre", 3, L"C:\\B\\Arbre.dwg"}, {9, L"Borne", 2, L"c:\\a.dwg"}};
    for (const auto& l : lignes) {
      codifPoint c;
      c.code = l.code;
      c.libelle = l.libelle;
      c.precisionAltitudes = l.precision;
      c.chemin = l.chemin;
      t.table.ajouter(c);
    }
    dlg.init();
  }
  host::ui::ListView& liste() { return dlg.get<host::ui::ListView>(IDC_LISTE_CODES); }
  std::vector<std::int64_t> codes() {
    std::vector<std::int64_t> out;
    for (const auto& r : liste().rows()) out.push_back(r.data);
    return out;
  }
};
}  // namespace

TEST(CDlgTabCodification, RowsAndHeaderSorts) {
  DialogueTable d;
  auto& liste = d.liste();
  ASSERT_EQ(liste.columns().size(), 4u);
  EXPECT_EQ(liste.columns()[1].header, "Libéllé");
  EXPECT_EQ(liste.columns()[2].align, host::ui::Align::Right);
  EXPECT_EQ(liste.row(0).cells, (std::vector<std::string>{"    5", "Mur", "2", "c:\\b\\mur.dwg"}));
  EXPECT_EQ(d.codes(), (std::vector<std::int64_t>{5, 2, 9}));
  struct Case {
    int colonne;
    std::vector<std::int64_t> ordre;
  } cases[] = {
      {0, {2, 5, 9}},
      {1, {2, 9, 5}},  // arbre, Borne, Mur: case ignored
      {1, {2, 9, 5}},  // a second click keeps the ascending order
      {2, {5, 9, 2}},  // precision, then code
      {3, {9, 2, 5}},  // c:\a, C:\B\Arbre, c:\b\mur
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.colonne);
    EXPECT_EQ(d.dlg.userHeaderClick(IDC_LISTE_CODES, c.colonne), "");
    EXPECT_EQ(d.codes(), c.ordre);
  }
}

TEST(CDlgTabCodification, NewCodeEditAndRemoval) {
  DialogueTable d;
  {
    // The new code dialog opens with "-1", " ???" and no block file.
    Session s("set 195 ?\nok\n");
    EXPECT_EQ(d.dlg.userPress(IDC_NOUVEAU_CODE), "");
    EXPECT_TRUE(contains(s.out(), "\"Code\" : \"-1\"")) << s.out();
    ASSERT_EQ(d.t.table.nbCodes(), 4);
    const codifPoint& n = d.t.table.getAt(3);
    EXPECT_EQ(n.code, 1);
    EXPECT_EQ(n.libelle, L" ???");
    EXPECT_EQ(n.chemin, L"");
    EXPECT_EQ(n.calques, codifPoint().calques);
    EXPECT_EQ(d.liste().row(3).cells, (std::vector<std::string>{"    1", " ???", "2", ""}));
    EXPECT_EQ(d.liste().row(3).data, 1);
  }
  {
    Session s("set 195 2\nset 195 12\nset 197 Regard\ncancel\n");
    d.dlg.userPress(IDC_NOUVEAU_CODE);
    EXPECT_TRUE(contains(s.out(), "Code déjà existant"));
    EXPECT_EQ(d.t.table.nbCodes(), 4);
    EXPECT_EQ(d.liste().rowCount(), 4);
  }
  {
    // Double click: the entry of the row's code, its row follows.
    Session s("set 197 Mur de cl\xC3\xB4ture\nset 377 4\nok\n");
    EXPECT_EQ(d.dlg.userDoubleClick(IDC_LISTE_CODES, 0), "");
    EXPECT_EQ(d.t.table.getAt(0).libelle, L"Mur de cl\u00f4ture");
    EXPECT_EQ(d.liste().row(0).cells, (std::vector<std::string>{"    5", "Mur de clôture", "4", "c:\\b\\mur.dwg"}));
  }
  {
    // No selection: no question.
    d.liste().clearSelection();
    Session s("");
    d.dlg.userPress(IDC_SUPPRIMER_CODES);
    EXPECT_EQ(s.out(), "");
  }
  {
    Session s("no\n");
    d.dlg.userSelect(IDC_LISTE_CODES, {0, 2});
    d.dlg.userPress(IDC_SUPPRIMER_CODES);
    EXPECT_EQ(s.out(), "[Suppression] Confirmez la suppression\ndes éléments sélectionnés\nRéponse (yes/no) :\n");
    EXPECT_EQ(d.t.table.nbCodes(), 4);
  }
  {
    Session s("yes\n");
    d.dlg.userPress(IDC_SUPPRIMER_CODES);
    EXPECT_EQ(d.codes(), (std::vector<std::int64_t>{2, 1}));
    ASSERT_EQ(d.t.table.nbCodes(), 2);
    EXPECT_EQ(d.t.table.getAt(0).code, 2);
    EXPECT_EQ(d.t.table.getAt(1).code, 1);
  }
}

// ------------------------------------------------------------ commands

TEST(Commandes, VcodificationSavesTheTableAfterTheDialog) {
  tableCodification& table = codification();
  ASSERT_EQ(&table, &codification());
  void* ressources = host::currentResourceModule();
  const int avant = table.nbCodes();
  {
    Session s("press Nouveau\nset Code ?\nset 197 Chambre t\xC3\xA9l\xC3\xA9\x63om\nok\npress Fermer\n");
    vcodification();
    EXPECT_EQ(s.rest(), "");
  }
  EXPECT_EQ(host::currentResourceModule(), ressources);
  ASSERT_EQ(table.nbCodes(), avant + 1);
  const std::string texte = lire(cheminSysteme(table.nomFichier()));
  EXPECT_NE(texte.find("<libelle mode=\"utf8\">Chambre t\xC3\xA9l\xC3\xA9\x63om</libelle>"), std::string::npos);
  {
    // Closed by Escape, the table is saved as well.
    fs::remove(cheminSysteme(table.nomFichier()));
    Session s("");
    vcodification();
    EXPECT_TRUE(fs::exists(cheminSysteme(table.nomFichier())));
  }
}

TEST(Commandes, VcodeMarksThePointsOfTheCodeInTurningColours) {
  ZcDbDatabase db(true);
  db.setView(ZcGePoint2d(0, 0), 160.0);
  ZcDbDatabase* precedent = zcdbCurDwg();
  zcdbSetCurDwg(&db);
  projetsTopo projet;
  projet.currTable()->CreerPoint({10, 20, 5}, 12, L"1");
  projet.currTable()->CreerPoint({30, 40, 6}, 7, L"2");
  projet.currTable()->CreerPoint({50, 60, 7}, 12, L"3");
  tablesPoints = &projet;

  auto vecteurs = [](const std::string& script) {
    zcedRedraw(ZcDbObjectId(), 0);
    Session s(script);
    c_vcode();
    EXPECT_TRUE(contains(s.out(), "\nCode des points a visualiser:"));
    return temporaryVectors();
  };
  // h = 5 × VIEWSIZE / the smaller screen dimension (800 pixels).
  const double h = 5.0 * 160.0 / 800.0;
  auto v = vecteurs("12\n");
  ASSERT_EQ(v.size(), 4u);
  EXPECT_EQ(v[0].from, ZcGePoint3d(10 - h, 20, 5));
  EXPECT_EQ(v[0].to, ZcGePoint3d(10 + h, 20, 5));
  EXPECT_EQ(v[1].from, ZcGePoint3d(10, 20 - h, 5));
  EXPECT_EQ(v[1].to, ZcGePoint3d(10, 20 + h, 5));
  EXPECT_EQ(v[3].to, ZcGePoint3d(50, 60 + h, 7));
  for (const auto& t : v) {
    EXPECT_EQ(t.color, 1);
    EXPECT_FALSE(t.highlighted);
  }
  v = vecteurs("7\n");
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].color, 2);
  // No answer: nothing drawn, the colour does not move.
  EXPECT_TRUE(vecteurs("").empty());
  // A code no point has: nothing drawn, the colour moves on.
  EXPECT_TRUE(vecteurs("99\n").empty());
  std::vector<int> couleurs;
  for (int i = 0; i < 5; ++i) couleurs.push_back(vecteurs("12\n").front().color);
  EXPECT_EQ(couleurs, (std::vector<int>{4, 5, 6, 7, 1}));

  // Without a project, nothing to mark.
  tablesPoints = nullptr;
  EXPECT_TRUE(vecteurs("12\n").empty());
  zcedRedraw(ZcDbObjectId(), 0);
  zcdbSetCurDwg(precedent);
}
