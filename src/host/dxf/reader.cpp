#include <charconv>
#include <cstring>
#include <stdexcept>

#include "host/db/memory.hpp"
#include "host/db/objects.hpp"
#include "host/dxf/dxf.hpp"

using host::ObjectRecord;
using host::PackedTags;
using host::Tag;
using host::Tags;

namespace host::dxf {

FileKind sniff(std::string_view data) {
  if (data.empty()) return FileKind::Empty;
  if (data.size() >= 18 && data.substr(0, 18) == "AutoCAD Binary DXF") return FileKind::BinaryDxf;
  if (data.size() >= 6 && data.substr(0, 4) == "AC10" && std::isdigit(static_cast<unsigned char>(data[4])) &&
      std::isdigit(static_cast<unsigned char>(data[5])))
    return FileKind::Dwg;
  return FileKind::AsciiDxf;
}

namespace {

struct ParseError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class TagReader {
 public:
  TagReader(std::string_view data) : p_(data.data()), end_(data.data() + data.size()) {
    // A UTF-8 byte order mark may precede the first tag.
    if (data.size() >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) p_ += 3;
  }

  // Reads the next tag; false at the end of the data.
  bool next(int& code, std::string_view& value) {
    if (pushedBack_) {
      pushedBack_ = false;
      code = code_;
      value = value_;
      return true;
    }
    std::string_view codeLine;
    // Blank lines between tags are tolerated only at the very end.
    if (!line(codeLine)) return false;
    codeLine_ = line_;
    std::string_view c = trim(codeLine);
    if (c.empty()) {
      // Trailing blank lines after the last tag.
      std::string_view rest;
      while (line(rest))
        if (!trim(rest).empty()) throw ParseError("ligne " + std::to_string(codeLine_) + " : code de groupe attendu, ligne vide trouvée");
      return false;
    }
    int v = 0;
    auto [ptr, ec] = std::from_chars(c.data(), c.data() + c.size(), v);
    if (ec != std::errc() || ptr != c.data() + c.size() || v < -5 || v > 1071)
      throw ParseError("ligne " + std::to_string(codeLine_) + " : code de groupe attendu, « " +
                       std::string(c.substr(0, 40)) + " » trouvé");
    std::string_view val;
    if (!line(val)) throw ParseError("ligne " + std::to_string(codeLine_) + " : code de groupe " + std::to_string(v) +
                                     " sans valeur (fichier tronqué)");
    code_ = code = v;
    value_ = value = val;
    return true;
  }
  void pushBack() { pushedBack_ = true; }
  bool atEnd() const { return !pushedBack_ && p_ >= end_; }
  size_t lineNumber() const { return codeLine_; }

  static std::string_view trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
  }

 private:
  bool line(std::string_view& out) {
    if (p_ >= end_) return false;
    const char* nl = static_cast<const char*>(std::memchr(p_, '\n', size_t(end_ - p_)));
    const char* e = nl ? nl : end_;
    const char* valueEnd = e;
    if (valueEnd > p_ && valueEnd[-1] == '\r') --valueEnd;
    out = std::string_view(p_, size_t(valueEnd - p_));
    p_ = nl ? nl + 1 : end_;
    ++line_;
    return true;
  }

  const char* p_;
  const char* end_;
  size_t line_ = 0;
  size_t codeLine_ = 0;
  bool pushedBack_ = false;
  int code_ = 0;
  std::string_view value_;
};

class Loader {
 public:
  Loader(ZcDbDatabase& db, std::string_view data) : db_(db), s_(db.store()), in_(data) {}

  void run() {
    int code;
    std::string_view v;
    bool sawEof = false;
    while (in_.next(code, v)) {
      // Markers are compared without padding, as the sections compare them:
      // a "SECTION " left to the stray-entities path below would come back
      // here unread, again and again.
      if (code == 0) v = TagReader::trim(v);
      if (code == 0 && v == "EOF") {
        sawEof = true;
        break;
      }
      if (code == 0 && v == "SECTION") {
        int c2;
        std::string_view name;
        if (!in_.next(c2, name)) throw ParseError("ligne " + std::to_string(in_.lineNumber()) + " : le fichier se termine après SECTION");
        if (c2 != 2) {
          // A SECTION without its name: tolerated as a stray marker.
          in_.pushBack();
          warn("SECTION sans nom");
          continue;
        }
        section(std::string(TagReader::trim(name)));
        continue;
      }
      if (code == 999) continue;
      // Tags outside any section (damaged files): content of the ENTITIES
      // kind is still taken when it starts with an entity.
      if (code == 0 && v != "ENDSEC") {
        in_.pushBack();
        warn("entités hors de toute section lues comme ENTITIES");
        section("ENTITIES");
        continue;
      }
      ++strayTags_;
    }
    if (strayTags_) warn(std::to_string(strayTags_) + " codes hors de toute section ignorés");
    if (!sawEof) warn("marque EOF absente");
  }

 private:
  void warn(std::string w) { s_.warnings.push_back(std::move(w)); }

  std::string convert(int code, std::string_view v) {
    TagType t = host::tagType(code);
    bool textual = t == TagType::String || t == TagType::Comment;
    bool ascii = true;
    for (char c : v)
      if (static_cast<unsigned char>(c) >= 0x80) {
        ascii = false;
        break;
      }
    if (!textual || ascii) return std::string(v);
    // Files from 2007 on, and files that do not say their version, may hold
    // UTF-8; older ones hold their code page.
    if ((utf8_ || s_.versionRead.empty()) && isValidUtf8(v)) return std::string(v);
    return toUtf8FromCodePage(v, codePage_);
  }

  // Numbers are kept without the padding some writers put around them.
  std::string_view clean(int code, std::string_view v) {
    TagType t = host::tagType(code);
    if (t == TagType::String || t == TagType::Comment || t == TagType::Binary) return v;
    return TagReader::trim(v);
  }

  void append(std::string& buf, int code, std::string_view v) {
    v = clean(code, v);
    bool plain = true;
    for (char c : v)
      if (static_cast<unsigned char>(c) >= 0x80) {
        plain = false;
        break;
      }
    if (plain) PackedTags::appendTo(buf, code, v);
    else PackedTags::appendTo(buf, code, convert(code, v));
  }

  // Reads one object whose "0 TYPE" was just read; stops before the next 0.
  ObjectRecord* object(std::string_view type) {
    ObjectRecord& r = s_.records.emplace_back();
    r.db = &db_;
    r.type = host::internType(TagReader::trim(type));
    scratch_.clear();
    int code;
    std::string_view v;
    bool sawMarker = false;
    const bool isDimStyle = r.typeName() == "DIMSTYLE";
    while (in_.next(code, v)) {
      if (code == 0) {
        in_.pushBack();
        break;
      }
      // DIMSTYLE records keep their handle in 105; their 5 is a block name.
      if ((code == 105 || (code == 5 && !isDimStyle)) && r.handle == 0 && !sawMarker) {
        r.handle = host::parseHandle(v);
        if (r.handle != 0 || TagReader::trim(v).empty()) continue;
        warn("ligne " + std::to_string(in_.lineNumber()) + " : identifiant (handle) invalide « " + std::string(v.substr(0, 20)) + " »");
        continue;
      }
      if (code == 100) sawMarker = true;
      // An object of millions of values (a large XRecord) grows its buffer
      // in large pages.
      if (scratch_.capacity() - scratch_.size() < 4096 && scratch_.size() > kLargeObject)
        host::reserveLarge(scratch_, 2 * scratch_.capacity());
      append(scratch_, code, v);
    }
    if (scratch_.size() > kLargeObject) {
      // Handed over rather than copied; the next object starts a new buffer.
      r.tags.setBytes(std::move(scratch_));
      scratch_ = std::string();
    } else {
      r.tags.setBytes(std::string(scratch_));
    }
    return &r;
  }

  // Reads past the tags of an object that is not kept.
  void skipObject() {
    int code;
    std::string_view v;
    while (in_.next(code, v))
      if (code == 0) {
        in_.pushBack();
        break;
      }
  }

  // Expects "0 TYPE"; returns false at ENDSEC (consumed) or end of data.
  bool nextObjectType(std::string_view& type) {
    int code;
    std::string_view v;
    while (in_.next(code, v)) {
      if (code == 0) {
        type = TagReader::trim(v);
        if (type == "ENDSEC") {
          sawEndsec_ = true;
          return false;
        }
        if (type == "EOF" || type == "SECTION") {
          in_.pushBack();
          return false;
        }
        return true;
      }
      if (code == 999) continue;
      ++strayTags_;
    }
    return false;
  }

  void section(const std::string& name) {
    sawEndsec_ = false;
    if (name == "HEADER") header();
    else if (name == "CLASSES") classes();
    else if (name == "TABLES") tables();
    else if (name == "BLOCKS") blocks();
    else if (name == "ENTITIES") entities(s_.pendingEntities);
    else if (name == "OBJECTS") objects();
    else raw(name);
    if (!sawEndsec_) {
      if (in_.atEnd())
        throw ParseError("ligne " + std::to_string(in_.lineNumber()) + " : fichier tronqué dans la section " + name);
      warn("section " + name + " sans ENDSEC");
    }
  }

  void header() {
    int code;
    std::string_view v;
    std::string currentVar;
    while (in_.next(code, v)) {
      if (code == 0) {
        if (TagReader::trim(v) == "ENDSEC") sawEndsec_ = true;
        else in_.pushBack();
        break;
      }
      if (code == 9) currentVar = std::string(TagReader::trim(v));
      std::string val(clean(code, v));
      if (currentVar == "$ACADVER" && code == 1) {
        s_.versionRead = val;
        utf8_ = val >= "AC1021";
      }
      if (currentVar == "$DWGCODEPAGE" && code == 3) codePage_ = val;
      s_.header.push_back(Tag{code, convert(code, val)});
    }
  }

  void classes() {
    std::string_view type;
    while (nextObjectType(type)) s_.classes.push_back(object(type));
  }

  void tables() {
    std::string_view type;
    ObjectRecord* head = nullptr;
    while (nextObjectType(type)) {
      if (type == "TABLE") {
        head = object(type);
        s_.tables.push_back(head);
      } else if (type == "ENDTAB") {
        head = nullptr;
        skipObject();
      } else if (head) {
        ObjectRecord* r = object(type);
        r->parent = head;
        head->children.push_back(r);
      } else {
        warn("enregistrement de table " + std::string(type) + " hors de toute table ignoré");
        skipObject();
      }
    }
  }

  // Entities with their sub-entities (ATTRIB/VERTEX ... SEQEND) until a
  // terminator type (ENDBLK) or the end of the section.
  void entities(std::vector<ObjectRecord*>& out, std::string_view terminator = {},
                ObjectRecord** terminatorRecord = nullptr) {
    std::string_view type;
    ObjectRecord* complex = nullptr;  // INSERT or POLYLINE taking sub-entities
    while (nextObjectType(type)) {
      if (!terminator.empty() && type == terminator) {
        *terminatorRecord = object(type);
        return;
      }
      if (!terminator.empty() && type == "BLOCK") {
        // A block without ENDBLK: the next one begins.
        in_.pushBack();
        warn("bloc sans ENDBLK");
        return;
      }
      ObjectRecord* r = object(type);
      const std::string& t = r->typeName();
      bool sub = (t == "ATTRIB" || t == "VERTEX" || t == "SEQEND");
      if (sub && complex) {
        r->parent = complex;
        complex->children.push_back(r);
        if (t == "SEQEND") complex = nullptr;
        continue;
      }
      if (sub) {
        warn(t + " sans son INSERT ou sa POLYLINE supprimé");
        r->flags |= ObjectRecord::kErased;
        continue;
      }
      if (complex) {
        // The sequence ended without SEQEND: close it.
        closeSequence(complex);
        complex = nullptr;
      }
      out.push_back(r);
      if (t == "POLYLINE" || (t == "INSERT" && followsAttributes(*r))) complex = r;
    }
    if (complex) closeSequence(complex);
  }

  static bool followsAttributes(const ObjectRecord& r) {
    for (const auto& t : r.tags)
      if (t.code == 66) return host::parseInt(t.value) != 0;
    return false;
  }

  void closeSequence(ObjectRecord* complex) {
    ObjectRecord& r = s_.records.emplace_back();
    r.db = &db_;
    r.type = host::internType("SEQEND");
    r.parent = complex;
    Tags t{{100, "AcDbEntity"}, {8, "0"}};
    r.tags.assign(t);
    complex->children.push_back(&r);
  }

  void blocks() {
    std::string_view type;
    while (nextObjectType(type)) {
      if (type != "BLOCK") {
        warn(std::string(type) + " hors de toute définition de bloc ignoré");
        skipObject();
        continue;
      }
      DrawingStore::PendingBlock pb;
      pb.begin = object(type);
      entities(pb.entities, "ENDBLK", &pb.end);
      s_.pendingBlocks.push_back(std::move(pb));
    }
  }

  void objects() {
    std::string_view type;
    while (nextObjectType(type)) s_.objects.push_back(object(type));
  }

  void raw(const std::string& name) {
    RawSection sec{name, {}};
    int code;
    std::string_view v;
    while (in_.next(code, v)) {
      if (code == 0 && TagReader::trim(v) == "ENDSEC") {
        sawEndsec_ = true;
        break;
      }
      sec.tags.push_back(Tag{code, std::string(v)});
    }
    s_.extraSections.push_back(std::move(sec));
  }

  ZcDbDatabase& db_;
  DrawingStore& s_;
  TagReader in_;
  static constexpr std::size_t kLargeObject = std::size_t(4) << 20;
  std::string scratch_;
  std::string codePage_ = "ANSI_1252";
  bool utf8_ = false;
  bool sawEndsec_ = false;
  size_t strayTags_ = 0;
};

}  // namespace

bool readDxf(ZcDbDatabase& db, std::string_view data, const std::string& fileName, std::string& error) {
  switch (sniff(data)) {
    case FileKind::Empty:
      error = fileName + " : fichier vide";
      return false;
    case FileKind::BinaryDxf:
      error = fileName + " : le DXF binaire n'est pas pris en charge, enregistrez le dessin en DXF ASCII";
      return false;
    case FileKind::Dwg:
      error = fileName + " : les dessins DWG ne sont pas pris en charge, enregistrez le dessin en DXF";
      return false;
    case FileKind::AsciiDxf:
      break;
  }
  try {
    Loader loader(db, data);
    loader.run();
    db.completeStructure();
  } catch (const ParseError& e) {
    error = fileName + ": " + e.what();
    return false;
  }
  return true;
}

}  // namespace host::dxf
