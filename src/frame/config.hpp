// Persistent user settings kept in an INI file.
//
// The file ("config.ini" in the current directory for the process-wide
// store) holds one section per first name component and `key=value` lines.
// Each setting is an object built once, at module load: it takes its value
// from the file or, when the file lacks it, adds its default to the file and
// saves the file at once. Values are never written back afterwards.
//
// Text forms: an int is a decimal number; a double is written in the
// shortest form that reads back exactly ("4.5", "5000") and read from a text
// that is one finite decimal number with a '.' as decimal point (whatever
// the process locale); a point is "x , y" (default stream formatting, six
// significant digits), read back from any text whose first two tokens
// (separated by commas, blanks or tabs) are numbers.
//
// Nothing here throws: an unreadable or malformed file, a file that cannot be
// written and a value that does not convert all leave the defaults in use.
//
// The file is the user's: writing it back keeps every line it held, in its
// place and as it was written (comments, blank lines, lines the INI syntax
// does not accept, sections and keys of other programs). Only the keys added
// to the tree are inserted (at the end of their section, or in a new section
// at the end) and only the values changed in the tree are rewritten.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <boost/optional.hpp>
#include <boost/property_tree/ptree.hpp>

#include "host/geom/point.hpp"

// The property tree read from an INI file, and whether it was changed since
// it was last written.
class configurationIni {
 public:
  // The file of the process-wide store, in the current directory.
  static constexpr const char* kFileName = "config.ini";

  // The process-wide store, created (and kFileName read) on the first call.
  static configurationIni& instance() noexcept;

  // Reads `path`. No file or an unreadable one gives an empty tree. Lines are
  // read as the property tree's INI reader reads them; a line it would
  // refuse (no '=', no key, an unclosed '[', a key or section given twice)
  // is skipped and kept: the first of two equal keys is the one read, the
  // keys after an unclosed '[' are not read, and a section given twice is
  // one section.
  explicit configurationIni(std::string path) noexcept;
  configurationIni(const configurationIni&) = delete;
  configurationIni& operator=(const configurationIni&) = delete;
  // Writes nothing: only save() writes.
  ~configurationIni() = default;

  const std::string& path() const { return path_; }
  boost::property_tree::ptree& tree() { return tree_; }
  const boost::property_tree::ptree& tree() const { return tree_; }

  bool modified() const { return modified_; }
  void setModified() { modified_ = true; }

  // When modified, writes the file (the lines read, with the tree's changes)
  // and clears the flag. Returns false when the tree could not be written,
  // a tree the INI writer refuses included (a name holding both a value and
  // keys); the flag then stays set and the file is left as it was. True
  // otherwise.
  bool save() noexcept;

  // One line of the file as read, without its line feed.
  struct Line {
    enum Kind { kOther, kSection, kKey };
    std::string text;                    // as in the file (a '\r' kept)
    Kind kind = kOther;                  // kOther: blank, comment, or not read
    std::optional<std::string> section;  // kSection: its name; kKey: its section (none: before any)
    std::string key;                     // kKey
    std::string value;                   // kKey: the value read
  };

 private:
  std::string path_;
  boost::property_tree::ptree tree_;
  bool modified_ = false;
  // The file as read (and as last written).
  std::vector<Line> lines_;
  bool byteOrderMark_ = false;
  bool crlf_ = false;
  bool finalNewline_ = true;
};

// Conversion between a point and its text, usable as a property-tree
// translator.
struct Point2DTranslator {
  using internal_type = std::string;
  using external_type = ZcGePoint2d;

  // None unless the first two tokens are whole, finite numbers (tokens after
  // the second are ignored).
  boost::optional<ZcGePoint2d> get_value(const std::string& text) const;
  // "x , y", e.g. "1000 , 1000".
  boost::optional<std::string> put_value(const ZcGePoint2d& p) const;
};

// A setting: its dotted name ("SECTION.key") and its value.
template <typename T>
class ConfigVariable_base {
 public:
  const std::string& name() const { return name_; }
  const T& value() const { return value_; }

 protected:
  ConfigVariable_base() = default;
  ~ConfigVariable_base() = default;

  std::string name_;
  T value_{};
};

// A setting loaded when constructed. T is int, double or ZcGePoint2d.
//
// The value is the file's when the name is present and its text converts;
// when the name is present but its text does not convert, the default is used
// and the file is left as it is; when the name is absent, the default is used,
// added to the tree and the store saved.
template <typename T>
class Static_ConfigVariable : public ConfigVariable_base<T> {
 public:
  // Uses the process-wide store.
  Static_ConfigVariable(std::string_view name, const T& defaultValue) noexcept;
  Static_ConfigVariable(std::string_view name, const T& defaultValue,
                        configurationIni& store) noexcept;
};

extern template class Static_ConfigVariable<int>;
extern template class Static_ConfigVariable<double>;
extern template class Static_ConfigVariable<ZcGePoint2d>;

// The module's settings, members in the order they are built (and so the
// order they are added to a new file).
struct parametresVrel {
  // Uses the process-wide store.
  parametresVrel() noexcept;
  explicit parametresVrel(configurationIni& store) noexcept;

  // Paper size of the sheet formats "User 0" to "User 5"; default 1000 x 1000.
  Static_ConfigVariable<ZcGePoint2d> UserPaperScale0;
  Static_ConfigVariable<ZcGePoint2d> UserPaperScale1;
  Static_ConfigVariable<ZcGePoint2d> UserPaperScale2;
  Static_ConfigVariable<ZcGePoint2d> UserPaperScale3;
  Static_ConfigVariable<ZcGePoint2d> UserPaperScale4;
  Static_ConfigVariable<ZcGePoint2d> UserPaperScale5;
  // Decimals of X and Y coordinates in the transformation lists; default 3.
  Static_ConfigVariable<int> gPrecisionCoordonneesX;
  Static_ConfigVariable<int> gPrecisionCoordonneesY;
};

// The module's settings from the process-wide store, built on the first call
// (the module's load code calls it once, at the moment it chooses).
const parametresVrel& reglagesVrel() noexcept;

// The tolerances the traverse adjustments check their misclosures against,
// in the same section, added to a file after the settings above.
struct parametresPolygonale {
  // Uses the process-wide store.
  parametresPolygonale() noexcept;
  explicit parametresPolygonale(configurationIni& store) noexcept;

  // "VREL.ToleranceAngulairePolygonale", in mgr: the angular tolerance of a
  // traverse is this times the square root of its number of angles.
  // Default 4.5 (three times a standard deviation of 1.5 mgr).
  Static_ConfigVariable<double> ToleranceAngulairePolygonale;
  // "VREL.DenominateurToleranceLineaire": the linear tolerance of a
  // traverse is its length divided by this. Default 5000.
  Static_ConfigVariable<double> DenominateurToleranceLineaire;
  // (The traverse computations replace a value that is not positive by its
  // default.)
};

// The traverse settings from the process-wide store, built on the first
// call (the module's load code calls it after reglagesVrel).
const parametresPolygonale& reglagesPolygonale() noexcept;
