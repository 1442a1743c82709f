// The codification table: for each point code, its label, the drawing file
// of the block inserted at its points, the block's scale, the decimals of
// the altitude text and the five layers (with their colours) the block and
// its texts go on. One table serves the whole process; it is kept in the
// XML file "defcodif" of the installation folder.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host/db/database.hpp"
#include "points/uncopyable.hpp"

class ZcDbLayerTable;

struct codifPoint {
  // The five layers, in this order.
  enum Calque { kCalqueBlock = 0, kCalqueAltitudes, kCalqueNumero, kCalqueObs, kCalqueCode, kNbCalques };

  // The defaults of a new entry (the block file is the installation
  // folder's "biblio\vrelblk1.dwg").
  codifPoint();

  int32_t code = 1;
  std::wstring libelle = L"Point Topo";
  std::wstring chemin;
  double tailleBlock = 1.0;
  // Colour index given to each layer when it is created.
  std::array<int32_t, kNbCalques> couleurs{7, 7, 7, 7, 7};
  // The layers' ids in the drawing, filled by creerCalques; never stored.
  std::array<ZcDbObjectId, kNbCalques> idCalques{};
  std::array<std::wstring, kNbCalques> calques{L"0", L"_ Altitudes Points", L"_ Numero Points", L"_ Obs Points",
                                               L"_ Codes Points"};
  int32_t precisionAltitudes = 2;

  // Creates the entry's five layers that do not exist yet (with the entry's
  // colours) and stores their ids. Layer names are trimmed of " \t,;." (and
  // stored so); an empty name is "0". `table` is an open layer table; null
  // opens the working drawing's layer table for the time of the call.
  void creerCalques(ZcDbLayerTable* table = nullptr);
};

class tableCodification : private Uncopyable {
 public:
  // With a file name, that file is loaded; still empty, the installation
  // folder's "defcodif" is; still empty, the table gets the two default
  // entries (1 "Point topo", 100 "Station") and is saved to its file -
  // unless that file exists but could not be read: the error is told (with
  // its line) and the user's file is never written over in this session.
  explicit tableCodification(const std::wstring& fichier = {});

  // Appends the entries of an XML file (null or empty: the table's own
  // file). True when the table holds at least one entry afterwards. A file
  // that cannot be read entirely prints
  // "\nechec lecture de donnees a partir de [%s] datasize=%d", empties the
  // table and gives false.
  bool charger(const std::wstring& fichier = {});
  // Writes the table (empty name: its own file). False, with a message on
  // the command line, when the file cannot be written, or when it is the
  // file that could not be read (kept as the user left it).
  bool sauver(const std::wstring& fichier = {}) const;
  // What went wrong at the last read of a file that exists (empty when it
  // read well): the XML error and its line.
  const std::wstring& erreurLecture() const { return erreurLecture_; }

  const std::wstring& nomFichier() const { return fichier_; }
  int nbCodes() const { return int(codes_.size()); }
  // Entry i; outside the table throws std::out_of_range.
  codifPoint& getAt(int i);
  const codifPoint& getAt(int i) const;
  // First entry with that code, or -1.
  int indexDuCode(int code) const;
  // The entry of a code; when missing, a default entry with that code, the
  // label "Code %d" and the default block file is appended first.
  codifPoint& codeCree(int code);
  // The label of a code; a missing entry is appended with "Code N° %d".
  std::wstring libelleCree(int code);
  // Removes entry i; outside the table throws std::out_of_range.
  void supprimer(int i);
  // By increasing code.
  void trier();
  void vider() { codes_.clear(); }
  void ajouter(const codifPoint& c) { codes_.push_back(c); }
  // The layers of every entry, in the drawing's layer table.
  void creerCalques(ZcDbDatabase* db);

 private:
  std::wstring fichier_;
  std::vector<codifPoint> codes_;
  std::wstring erreurLecture_;
  // A file that exists but could not be read: never written over.
  std::wstring fichierProtege_;
};

// The process-wide table, made on first use.
tableCodification& codification();
