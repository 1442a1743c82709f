#include <charconv>
#include <cstdint>
#include <cstring>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "host/db/objects.hpp"
#include "host/dxf/dxf.hpp"

using host::ObjectRecord;
using host::Tag;
using host::Tags;

namespace host::dxf {

namespace {

// Group code lines, right-aligned on three columns as every writer does.
struct CodeLine {
  char text[8];  // "  8\r\n"
  uint8_t size;
};

CodeLine makeCodeLine(int code) {
  CodeLine c{};
  char num[8];
  auto [p, ec] = std::to_chars(num, num + sizeof num, code);
  size_t n = size_t(p - num);
  size_t pad = n < 3 ? 3 - n : 0;
  std::memset(c.text, ' ', pad);
  std::memcpy(c.text + pad, num, n);
  std::memcpy(c.text + pad + n, "\r\n", 2);
  c.size = uint8_t(pad + n + 2);
  return c;
}

// Codes -5..1071, the range the reader accepts.
constexpr int kMinCode = -5, kMaxCode = 1071;

const CodeLine& codeLine(int code) {
  static const std::vector<CodeLine> table = [] {
    std::vector<CodeLine> t;
    for (int c = kMinCode; c <= kMaxCode; ++c) t.push_back(makeCodeLine(c));
    return t;
  }();
  return table[size_t(code - kMinCode)];
}

class Out {
 public:
  explicit Out(size_t reserve) {
    buf_.reserve(reserve);
    adviseHugePages();
  }

  void tag(int code, std::string_view value) {
    CodeLine other;
    const CodeLine& c = (code >= kMinCode && code <= kMaxCode) ? codeLine(code) : (other = makeCodeLine(code));
    // Most tags are short: built in place and appended at once.
    char line[128];
    if (value.size() <= sizeof line - sizeof c.text - 2) {
      std::memcpy(line, c.text, sizeof c.text);
      char* p = line + c.size;
      std::memcpy(p, value.data(), value.size());
      p += value.size();
      std::memcpy(p, "\r\n", 2);
      buf_.append(line, size_t(p + 2 - line));
      return;
    }
    buf_.append(c.text, c.size);
    buf_.append(value.data(), value.size());
    buf_.append("\r\n", 2);
  }
  void handle(int code, uint64_t h) {
    char hex[20];
    auto [p, ec] = std::to_chars(hex, hex + sizeof hex, h, 16);
    for (char* c = hex; c < p; ++c)
      if (*c >= 'a') *c = char(*c - 'a' + 'A');
    tag(code, std::string_view(hex, size_t(p - hex)));
  }
  std::string& str() { return buf_; }

 private:
  // A drawing's text is tens of megabytes of memory touched once, page by
  // page: large pages where the system offers them save most of the page
  // faults (the text is the same).
  void adviseHugePages() {
#ifdef __linux__
    constexpr size_t kHuge = size_t(2) << 20;
    if (buf_.capacity() < 4 * kHuge) return;
    auto begin = (reinterpret_cast<uintptr_t>(buf_.data()) + kHuge - 1) & ~(kHuge - 1);
    auto end = (reinterpret_cast<uintptr_t>(buf_.data()) + buf_.capacity()) & ~(kHuge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
  }

  std::string buf_;
};

class Writer {
 public:
  explicit Writer(const ZcDbDatabase& db) : db_(db), s_(db.store()), out_(estimateSize()) {}

  std::string run() {
    header();
    classes();
    tables();
    blocks();
    entities();
    objects();
    for (const auto& sec : s_.extraSections) {
      section(sec.name);
      for (const Tag& t : sec.tags) out_.tag(t.code, t.value);
      out_.tag(0, "ENDSEC");
    }
    out_.tag(0, "EOF");
    return std::move(out_.str());
  }

 private:
  size_t estimateSize() const {
    size_t n = 0;
    for (const ObjectRecord& r : s_.records) n += r.tags.byteSize() * 2 + 32;
    return n + 4096;
  }

  void section(std::string_view name) {
    out_.tag(0, "SECTION");
    out_.tag(2, name);
  }

  void header() {
    section("HEADER");
    // The version, handle seed and code page are the writer's own.
    out_.tag(9, "$ACADVER");
    out_.tag(1, kWriteVersion);
    bool skip = false;
    bool wroteSeed = false, wroteCodePage = false;
    for (const Tag& t : s_.header) {
      if (t.code == 9) {
        skip = t.value == "$ACADVER" || t.value == "$HANDSEED" || t.value == "$DWGCODEPAGE";
        if (t.value == "$HANDSEED") {
          out_.tag(9, "$HANDSEED");
          out_.handle(5, s_.nextHandle);
          wroteSeed = true;
        } else if (t.value == "$DWGCODEPAGE") {
          out_.tag(9, "$DWGCODEPAGE");
          out_.tag(3, "ANSI_1252");
          wroteCodePage = true;
        }
        if (skip) continue;
      }
      if (skip) continue;
      out_.tag(t.code, t.value);
    }
    if (!wroteCodePage) {
      out_.tag(9, "$DWGCODEPAGE");
      out_.tag(3, "ANSI_1252");
    }
    if (!wroteSeed) {
      out_.tag(9, "$HANDSEED");
      out_.handle(5, s_.nextHandle);
    }
    out_.tag(0, "ENDSEC");
  }

  void classes() {
    section("CLASSES");
    for (const ObjectRecord* r : s_.classes) {
      if (r->erased()) continue;
      out_.tag(0, r->typeName());
      body(*r);
    }
    out_.tag(0, "ENDSEC");
  }

  void body(const ObjectRecord& r) {
    for (const auto& t : r.tags) out_.tag(t.code, t.value);
  }

  void object(const ObjectRecord& r) {
    out_.tag(0, r.typeName());
    if (r.handle) out_.handle(r.typeName() == "DIMSTYLE" ? 105 : 5, r.handle);
    const std::string& t = r.typeName();
    if (t == "DICTIONARY" || t == "GROUP") referencesToLiveObjects(r);
    else body(r);
  }

  bool erasedHandle(std::string_view h) const {
    const ObjectRecord* o = db_.recordOfHandle(host::parseHandle(h));
    return o && o->erased();
  }

  // Dictionary entries and group members of erased objects are left out.
  void referencesToLiveObjects(const ObjectRecord& r) {
    std::string_view pendingKey;
    bool havePending = false;
    for (const auto& t : r.tags) {
      if (t.code == 3 && r.typeName() == "DICTIONARY") {
        pendingKey = t.value;
        havePending = true;
        continue;
      }
      if (havePending && (t.code == 350 || t.code == 360)) {
        havePending = false;
        if (erasedHandle(t.value)) continue;
        out_.tag(3, pendingKey);
        out_.tag(t.code, t.value);
        continue;
      }
      if (havePending) {
        out_.tag(3, pendingKey);
        havePending = false;
      }
      if (t.code == 340 && r.typeName() == "GROUP" && erasedHandle(t.value)) continue;
      out_.tag(t.code, t.value);
    }
    if (havePending) out_.tag(3, pendingKey);
  }

  void tables() {
    section("TABLES");
    for (const ObjectRecord* head : s_.tables) {
      if (head->erased()) continue;
      out_.tag(0, "TABLE");
      // 2 NAME, then the handle, then the rest; the record count is recounted.
      size_t count = 0;
      for (const ObjectRecord* r : head->children)
        if (!r->erased()) ++count;
      bool first = true;
      bool countDone = false;
      bool inSymbolTable = false;
      for (const auto& t : head->tags) {
        if (first) {
          first = false;
          if (t.code == 2) {
            out_.tag(2, t.value);
            out_.handle(5, head->handle);
            continue;
          }
          out_.handle(5, head->handle);
        }
        if (t.code == 100) inSymbolTable = t.value == "AcDbSymbolTable";
        if (t.code == 70 && inSymbolTable && !countDone) {
          out_.tag(70, std::to_string(count));
          countDone = true;
          continue;
        }
        out_.tag(t.code, t.value);
      }
      for (const ObjectRecord* r : head->children)
        if (!r->erased()) object(*r);
      out_.tag(0, "ENDTAB");
    }
    out_.tag(0, "ENDSEC");
  }

  void entity(const ObjectRecord& e) {
    if (e.erased()) return;
    object(e);
    for (const ObjectRecord* c : e.children)
      if (!c->erased()) object(*c);
  }

  static std::string_view nameOf(const ObjectRecord* r) {
    for (const auto& t : r->tags)
      if (t.code == 2) return t.value;
    return {};
  }

  void blocks() {
    section("BLOCKS");
    const ObjectRecord* head = db_.tableHead("BLOCK_RECORD");
    if (head) {
      for (const ObjectRecord* btr : head->children) {
        if (btr->erased()) continue;
        auto it = s_.blockDefs.find(btr);
        if (it == s_.blockDefs.end()) continue;
        std::string_view name = nameOf(btr);
        bool inEntities = host::isModelSpaceName(name) || host::iequals(name, "*Paper_Space");
        object(*it->second.begin);
        if (!inEntities)
          for (const ObjectRecord* e : btr->children) entity(*e);
        object(*it->second.end);
      }
    }
    out_.tag(0, "ENDSEC");
  }

  void entities() {
    section("ENTITIES");
    for (const char* space : {"*Model_Space", "*Paper_Space"}) {
      ZcDbObjectId id = db_.symbolId("BLOCK_RECORD", space);
      if (id.isNull()) continue;
      for (const ObjectRecord* e : id.record()->children) entity(*e);
    }
    out_.tag(0, "ENDSEC");
  }

  void objects() {
    section("OBJECTS");
    for (const ObjectRecord* o : s_.objects)
      if (!o->erased()) object(*o);
    out_.tag(0, "ENDSEC");
  }

  const ZcDbDatabase& db_;
  const DrawingStore& s_;
  Out out_;
};

}  // namespace

std::string writeDxf(const ZcDbDatabase& db) { return Writer(db).run(); }

}  // namespace host::dxf
