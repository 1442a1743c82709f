#include "host/db/resbuf.hpp"

#include "host/db/memory.hpp"

#include <cstdio>

using host::Tag;
using host::Tags;
using host::TagType;

resbuf resbuf::real(short t, double v) {
  resbuf r;
  r.restype = t;
  r.resval.rreal = v;
  return r;
}
resbuf resbuf::shortInt(short t, short v) {
  resbuf r;
  r.restype = t;
  r.resval.rint = v;
  return r;
}
resbuf resbuf::longInt(short t, int32_t v) {
  resbuf r;
  r.restype = t;
  r.resval.rlong = v;
  return r;
}
resbuf resbuf::string(short t, std::wstring v) {
  resbuf r;
  r.restype = t;
  r.resval.rstring = std::move(v);
  return r;
}
resbuf resbuf::point(short t, const ZcGePoint3d& p) {
  resbuf r;
  r.restype = t;
  r.resval.rpoint = p;
  return r;
}
resbuf resbuf::id(short t, ZcDbObjectId v) {
  resbuf r;
  r.restype = t;
  r.resval.rlname = v;
  return r;
}
resbuf resbuf::binary(short t, std::vector<unsigned char> v) {
  resbuf r;
  r.restype = t;
  r.resval.rbinary = std::move(v);
  return r;
}

namespace host {

static std::vector<unsigned char> fromHex(std::string_view s) {
  std::vector<unsigned char> out;
  auto nib = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (size_t i = 0; i + 1 < s.size(); i += 2) {
    int a = nib(s[i]), b = nib(s[i + 1]);
    if (a < 0 || b < 0) break;
    out.push_back(static_cast<unsigned char>(a * 16 + b));
  }
  return out;
}

static std::string toHex(const std::vector<unsigned char>& b) {
  static const char* d = "0123456789ABCDEF";
  std::string s;
  s.reserve(b.size() * 2);
  for (unsigned char c : b) {
    s.push_back(d[c >> 4]);
    s.push_back(d[c & 15]);
  }
  return s;
}

namespace {

std::string_view valueOf(const Tag& t) { return t.value; }
std::string_view valueOf(const PackedTags::View& v) { return v.value; }

// Tags of any sequence (a tag list or packed tags) to resbufs.
// A new value at the end of the chain, made in place.
resbuf& made(ResbufChain& out, short code) {
  resbuf& r = out.emplace_back();
  r.restype = code;
  return r;
}

template <class It>
void toResbufs(It it, It end, const ZcDbDatabase* db, ResbufChain& out) {
  for (; it != end; ++it) {
    const int tcode = it->code;
    const std::string_view value = valueOf(*it);
    const auto code = short(tcode);
    if (isPointXCode(tcode) || (tcode >= 1010 && tcode <= 1013) || tcode == 210) {
      // X, then Y and Z when they follow.
      ZcGePoint3d p(parseDouble(value), 0, 0);
      It next = it;
      if (++next != end && next->code == tcode + 10) {
        p.y = parseDouble(valueOf(*next));
        it = next;
        if (++next != end && next->code == tcode + 20) {
          p.z = parseDouble(valueOf(*next));
          it = next;
        }
      }
      made(out, code).resval.rpoint = p;
      continue;
    }
    if (isHandleCode(tcode)) {
      ZcDbObjectId id = db ? db->idOfHandle(parseHandle(value)) : ZcDbObjectId();
      resbuf& r = made(out, code);
      r.resval.rlname = id;
      r.resval.rstring = fromUtf8(value);  // the handle text, for dangling references
      continue;
    }
    switch (tagType(tcode)) {
      case TagType::Double:
        made(out, code).resval.rreal = parseDouble(value);
        break;
      case TagType::Int16:
      case TagType::Bool:
        made(out, code).resval.rint = short(parseInt(value));
        break;
      case TagType::Int32:
        made(out, code).resval.rlong = int32_t(parseInt(value));
        break;
      case TagType::Int64:
        made(out, code).resval.rint64 = parseInt(value);
        break;
      case TagType::Binary:
        made(out, code).resval.rbinary = fromHex(value);
        break;
      default:
        made(out, code).resval.rstring = fromUtf8(value);
    }
  }
}

}  // namespace

ResbufChain tagsToResbufs(const Tags& tags, const ZcDbDatabase* db) {
  ResbufChain out;
  out.reserve(tags.size());
  toResbufs(tags.begin(), tags.end(), db, out);
  return out;
}

ResbufChain tagsToResbufs(PackedTags::Iterator from, PackedTags::Iterator to, const ZcDbDatabase* db) {
  std::size_t n = 0;
  for (auto it = from; it != to; ++it) ++n;
  ResbufChain out;
  reserveLarge(out, n);
  toResbufs(from, to, db, out);
  return out;
}

namespace {

// Resbufs to tags, handed one by one to `add(code, value)`.
template <class Add>
void fromResbufs(const ResbufChain& chain, Add add) {
  for (const resbuf& r : chain) {
    int code = r.restype;
    if (isPointXCode(code) || code == 210) {
      add(code, formatDouble(r.resval.rpoint.x));
      add(code + 10, formatDouble(r.resval.rpoint.y));
      add(code + 20, formatDouble(r.resval.rpoint.z));
      continue;
    }
    if (isHandleCode(code)) {
      if (!r.resval.rlname.isNull()) add(code, formatHandle(r.resval.rlname.handle().value()));
      else add(code, r.resval.rstring.empty() ? std::string("0") : toUtf8(r.resval.rstring));
      continue;
    }
    switch (tagType(code)) {
      case TagType::Double:
        add(code, formatDouble(r.resval.rreal));
        break;
      case TagType::Int16:
      case TagType::Bool:
        add(code, std::to_string(r.resval.rint));
        break;
      case TagType::Int32:
        add(code, std::to_string(r.resval.rlong));
        break;
      case TagType::Int64:
        add(code, std::to_string(r.resval.rint64));
        break;
      case TagType::Binary:
        add(code, toHex(r.resval.rbinary));
        break;
      default: {
        std::string s = toUtf8(r.resval.rstring);
        for (char& c : s)
          if (c == '\n' || c == '\r') c = ' ';
        add(code, s);
      }
    }
  }
}

}  // namespace

Tags resbufsToTags(const ResbufChain& chain) {
  Tags out;
  out.reserve(chain.size());
  fromResbufs(chain, [&](int code, std::string value) { out.push_back(Tag{code, std::move(value)}); });
  return out;
}

void appendResbufsPacked(const ResbufChain& chain, std::string& buffer) {
  fromResbufs(chain, [&](int code, const std::string& value) { PackedTags::appendTo(buffer, code, value); });
}

}  // namespace host
