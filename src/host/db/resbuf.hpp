// Typed value chains of the host: extended data, XRecord contents, entity
// lists and LISP values are all chains of resbufs. A resbuf's type is either
// a DXF group code (XRecords, extended data) or one of the RT codes below.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/db/database.hpp"
#include "host/geom/point.hpp"

constexpr short RTNONE = 5000;
constexpr short RTREAL = 5001;
constexpr short RTPOINT = 5002;
constexpr short RTSHORT = 5003;
constexpr short RTANG = 5004;
constexpr short RTSTR = 5005;
constexpr short RTENAME = 5006;
constexpr short RTPICKS = 5007;
constexpr short RTORINT = 5008;
constexpr short RT3DPOINT = 5009;
constexpr short RTLONG = 5010;
constexpr short RTVOID = 5014;
constexpr short RTLB = 5016;
constexpr short RTLE = 5017;
constexpr short RTDOTE = 5018;
constexpr short RTNIL = 5019;
constexpr short RTDXF0 = 5020;
constexpr short RTT = 5021;
constexpr short RTRESBUF = 5023;
constexpr short RTNORM = 5100;
constexpr short RTERROR = -5001;
constexpr short RTCAN = -5002;
constexpr short RTREJ = -5003;
constexpr short RTFAIL = -5004;
constexpr short RTKWORD = -5005;
constexpr short RTINPUTTRUNCATED = -5008;

struct ResbufValue {
  double rreal = 0.0;
  ZcGePoint3d rpoint;
  short rint = 0;
  int32_t rlong = 0;
  int64_t rint64 = 0;
  std::wstring rstring;
  ZcDbObjectId rlname;  // entity names and handles (330..369, 1005)
  std::vector<unsigned char> rbinary;
};

struct resbuf {
  short restype = RTNONE;
  ResbufValue resval;

  static resbuf real(short type, double v);
  static resbuf shortInt(short type, short v);
  static resbuf longInt(short type, int32_t v);
  static resbuf string(short type, std::wstring v);
  static resbuf point(short type, const ZcGePoint3d& p);
  static resbuf id(short type, ZcDbObjectId v);
  static resbuf binary(short type, std::vector<unsigned char> v);
};
using ResbufChain = std::vector<resbuf>;

namespace host {
// Conversion between DXF tags and resbufs for group-coded chains: points
// gather their X/Y/Z tags into one resbuf; handles become object ids of `db`
// (null when they point nowhere).
ResbufChain tagsToResbufs(const Tags& tags, const ZcDbDatabase* db);
ResbufChain tagsToResbufs(PackedTags::Iterator from, PackedTags::Iterator to, const ZcDbDatabase* db);
Tags resbufsToTags(const ResbufChain& chain);
// Appends the tags of a chain to a packed tag buffer.
void appendResbufsPacked(const ResbufChain& chain, std::string& buffer);
}  // namespace host
