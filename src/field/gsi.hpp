// GSI field books: lines of fixed-width words (GSI-8, or GSI-16 when the
// line starts with '*'), each word "CCiiiiS" followed by its data and one
// separator: a two-digit word index, four information characters (the last
// one is the units digit), a sign and 8 or 16 data characters.
//
// The decoder turns a line into words (values converted to metres and
// grades), the interpretation records measurement lines (first word 11) in
// the process-wide observation book, and the description gives the text the
// import dialog shows for a line. Narrow texts are Windows-1252 bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "points/point.hpp"

// Longest line the decoder accepts (longer lines are reported and skipped).
constexpr std::size_t kLongueurMaxLigneGsi = 65535;

enum class typeMotGsi : std::uint8_t { numerique, texte };

// Word indexes whose data are numbers: 21, 22, 25, 31, 32, 33, 81 to 88.
bool estCodeNumeriqueGsi(int code);

struct motGsi {
  std::uint8_t code = 0;  // 0 to 99
  typeMotGsi type = typeMotGsi::texte;
  char info[5] = {};      // word positions 3 to 6 as read; info[3] is the units digit
  double valeur = 0.0;    // numeric words: converted to metres or grades
  char texte[17] = {};    // the data as read; text words have their leading '0' and '.' blanked
};

enum class decodageGsi {
  complete,    // every word of the line was read
  interrompu,  // a malformed word (or a last word without separator) ended the line
  tropLongue,  // longer than kLongueurMaxLigneGsi: nothing decoded
};

// Decodes one line (without its terminator) into `mots` (cleared first).
// Words read before a malformed one are kept.
decodageGsi decoderLigneGsi(std::string_view ligne, std::vector<motGsi>& mots);

// The value of a numeric word: `texte` (the data characters) read as a
// decimal number, scaled by the decimals of the units digit, negated by a
// '-' sign, converted to metres (lengths) or grades (angles).
double valeurMotGsi(std::string_view texte, char signe, char chiffreUnite);

// One measurement line: the target point and what was observed. The point
// is built at 0, 0, 0; its name is the word 11 without its blank padding.
struct observationGsi {
  pointDuDessin point;
  std::string nom;  // the whole name (the point keeps at most 9 characters)
  std::string code;     // the text of word 71, trimmed (empty without one)
  std::string remarque; // the texts of words 72 to 79, trimmed, joined by blanks
  double ah = 0, av = 0, di = 0, dh = 0, dz = 0;
  double Xstat = 0, Ystat = 0, Zstat = 0, hmire = 0, hAppareil = 0;
  bool aX = false, aY = false, aZ = false;
  bool aAh = false, aAv = false, aDi = false, aDh = false, aDz = false;
  bool aXstat = false, aYstat = false, aZstat = false, aHmire = false, aHAppareil = false;

  observationGsi();
  // Both plan coordinates of the target were measured.
  bool estPointConnu() const { return aX && aY; }
};

// A station set-up read from a field book: a line carrying station words
// (84, 85, 86 station X, Y, Z; 88 instrument height; 25 orientation) and no
// horizontal angle. The measurement lines after it belong to it, up to the
// next set-up.
struct stationGsi {
  std::string nom;  // the name of the set-up line (word 11)
  double x = 0, y = 0, z = 0, hi = 0;
  double orientation = 0;  // word 25, grades
  bool aX = false, aY = false, aZ = false, aHi = false, aOrientation = false;
};

// The observations of every analysed field book, kept while the module is
// loaded. Nothing is ever removed: each analysis adds its lines again.
class carnetObservations {
 public:
  struct entree {
    int station = -1;  // index into stations(); -1: before any set-up of its book
    observationGsi observation;
    double x = kIndefini, y = kIndefini, z = kIndefini;  // not computed yet
  };

  static carnetObservations& instance();
  // Frees the instance (module unload); the next use makes a new one.
  static void liberer();

  carnetObservations();
  carnetObservations(const carnetObservations&) = delete;
  carnetObservations& operator=(const carnetObservations&) = delete;

  // Records a measurement; one with both X and Y also becomes (or replaces)
  // the known point of its name.
  void ajouter(const observationGsi& observation);
  // Records a set-up; the measurements added after it belong to it.
  void ajouterStation(const stationGsi& station);
  // A new field book starts: its first lines belong to no set-up.
  void nouveauCarnet() { stationCourante_ = -1; }
  int stationCourante() const { return stationCourante_; }

  const std::vector<entree>& observations() const { return observations_; }
  const std::map<std::string, observationGsi>& pointsConnus() const { return pointsConnus_; }
  const std::unordered_set<std::string>& noms() const { return noms_; }
  const std::vector<stationGsi>& stations() const { return stations_; }

 private:
  std::vector<entree> observations_;
  std::vector<stationGsi> stations_;
  int stationCourante_ = -1;
  std::map<std::string, observationGsi> pointsConnus_;
  std::unordered_set<std::string> noms_;
};

// Records a measurement line (first word 11) in the book; other lines are
// ignored. A word index given twice in a line: the later word wins. A line
// that carries station words and no horizontal angle also starts a set-up
// (it is recorded as well, under its own set-up).
void interpreterLigneGsi(const std::vector<motGsi>& mots, carnetObservations& carnet);

// The analysis text of a line: the decoded values of a measurement line,
// the words of a code block (first word 41); empty for any other line.
std::string decrireLigneGsi(const std::vector<motGsi>& mots);

// The analysis of a whole field book: every line decoded, interpreted and
// described; each non-empty description followed by "\n". The book's first
// lines belong to no set-up, whatever was analysed before. `progression`
// hears the index of each line before it is handled.
std::string analyserLignesGsi(const std::vector<std::string>& lignes, carnetObservations& carnet,
                              const std::function<void(int)>& progression = {});

// The lines of a field book, without their terminators: CR LF, LF and a lone
// CR each end a line. An unreadable file gives no line (and `lu` false).
std::vector<std::string> lireLignesGsi(const std::string& chemin, bool* lu = nullptr);
// The same split on a text already read.
std::vector<std::string> decouperLignesGsi(std::string_view contenu);
