#include "host/db/resbuf.hpp"

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

ResbufChain tagsToResbufs(const Tags& tags, const ZcDbDatabase* db) {
  ResbufChain out;
  for (size_t i = 0; i < tags.size(); ++i) {
    const Tag& t = tags[i];
    short code = short(t.code);
    if (isPointXCode(t.code) || (t.code >= 1010 && t.code <= 1013) || t.code == 210) {
      // X, then Y and Z when they follow.
      ZcGePoint3d p(t.toDouble(), 0, 0);
      if (i + 1 < tags.size() && tags[i + 1].code == t.code + 10) {
        p.y = tags[++i].toDouble();
        if (i + 1 < tags.size() && tags[i + 1].code == t.code + 20) p.z = tags[++i].toDouble();
      }
      out.push_back(resbuf::point(code, p));
      continue;
    }
    if (isHandleCode(t.code)) {
      ZcDbObjectId id = db ? db->idOfHandle(parseHandle(t.value)) : ZcDbObjectId();
      resbuf r = resbuf::id(code, id);
      r.resval.rstring = fromUtf8(t.value);  // the handle text, for dangling references
      out.push_back(std::move(r));
      continue;
    }
    switch (tagType(t.code)) {
      case TagType::Double:
        out.push_back(resbuf::real(code, t.toDouble()));
        break;
      case TagType::Int16:
      case TagType::Bool:
        out.push_back(resbuf::shortInt(code, short(t.toInt())));
        break;
      case TagType::Int32:
        out.push_back(resbuf::longInt(code, int32_t(t.toInt())));
        break;
      case TagType::Int64: {
        resbuf r;
        r.restype = code;
        r.resval.rint64 = t.toInt();
        out.push_back(std::move(r));
        break;
      }
      case TagType::Binary:
        out.push_back(resbuf::binary(code, fromHex(t.value)));
        break;
      default:
        out.push_back(resbuf::string(code, fromUtf8(t.value)));
    }
  }
  return out;
}

Tags resbufsToTags(const ResbufChain& chain) {
  Tags out;
  for (const resbuf& r : chain) {
    int code = r.restype;
    if (isPointXCode(code) || code == 210) {
      out.push_back({code, formatDouble(r.resval.rpoint.x)});
      out.push_back({code + 10, formatDouble(r.resval.rpoint.y)});
      out.push_back({code + 20, formatDouble(r.resval.rpoint.z)});
      continue;
    }
    if (isHandleCode(code)) {
      if (!r.resval.rlname.isNull()) out.push_back({code, formatHandle(r.resval.rlname.handle().value())});
      else out.push_back({code, r.resval.rstring.empty() ? "0" : toUtf8(r.resval.rstring)});
      continue;
    }
    switch (tagType(code)) {
      case TagType::Double:
        out.push_back({code, formatDouble(r.resval.rreal)});
        break;
      case TagType::Int16:
      case TagType::Bool:
        out.push_back({code, std::to_string(r.resval.rint)});
        break;
      case TagType::Int32:
        out.push_back({code, std::to_string(r.resval.rlong)});
        break;
      case TagType::Int64:
        out.push_back({code, std::to_string(r.resval.rint64)});
        break;
      case TagType::Binary: {
        out.push_back({code, toHex(r.resval.rbinary)});
        break;
      }
      default: {
        std::string s = toUtf8(r.resval.rstring);
        for (char& c : s)
          if (c == '\n' || c == '\r') c = ' ';
        out.push_back({code, s});
      }
    }
  }
  return out;
}

}  // namespace host
