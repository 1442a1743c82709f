#include "host/db/tags.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace host {

TagType tagType(int code) {
  if (code < 0) return TagType::Int32;
  if (code <= 9) return TagType::String;
  if (code <= 59) return TagType::Double;
  if (code <= 79) return TagType::Int16;
  if (code <= 99) return TagType::Int32;
  if (code == 100 || code == 101 || code == 102) return TagType::String;
  if (code == 105) return TagType::Handle;
  if (code >= 110 && code <= 149) return TagType::Double;
  if (code >= 160 && code <= 169) return TagType::Int64;
  if (code >= 170 && code <= 179) return TagType::Int16;
  if (code >= 210 && code <= 239) return TagType::Double;
  if (code >= 270 && code <= 289) return TagType::Int16;
  if (code >= 290 && code <= 299) return TagType::Bool;
  if (code >= 300 && code <= 309) return TagType::String;
  if (code >= 310 && code <= 319) return TagType::Binary;
  if (code >= 320 && code <= 369) return TagType::Handle;
  if (code >= 370 && code <= 389) return TagType::Int16;
  if (code >= 390 && code <= 399) return TagType::Handle;
  if (code >= 400 && code <= 409) return TagType::Int16;
  if (code >= 410 && code <= 419) return TagType::String;
  if (code >= 420 && code <= 429) return TagType::Int32;
  if (code >= 430 && code <= 439) return TagType::String;
  if (code >= 440 && code <= 459) return TagType::Int32;
  if (code >= 460 && code <= 469) return TagType::Double;
  if (code >= 470 && code <= 479) return TagType::String;
  if (code == 480 || code == 481) return TagType::Handle;
  if (code == 999) return TagType::Comment;
  if (code >= 1000 && code <= 1003) return TagType::String;
  if (code == 1004) return TagType::Binary;
  if (code == 1005) return TagType::Handle;
  if (code >= 1006 && code <= 1009) return TagType::String;
  if (code >= 1010 && code <= 1059) return TagType::Double;
  if (code >= 1060 && code <= 1070) return TagType::Int16;
  if (code == 1071) return TagType::Int32;
  return TagType::String;
}

static std::string_view trimmed(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

double parseDouble(std::string_view text) {
  std::string_view t = trimmed(text);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  double v = 0;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc()) {
    // Out of range or not a number: fall back to the C conversion, which
    // saturates instead of failing.
    std::string copy(t);
    v = std::strtod(copy.c_str(), nullptr);
  }
  if (!std::isfinite(v)) return 0.0;
  return v;
}

long long parseInt(std::string_view text) {
  std::string_view t = trimmed(text);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  long long v = 0;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec == std::errc()) {
    // "1.0" in an integer group: keep the integer part, as atoi does.
    return v;
  }
  if (ec == std::errc::result_out_of_range) return 0;
  return 0;
}

uint64_t parseHandle(std::string_view text) {
  std::string_view t = trimmed(text);
  uint64_t v = 0;
  if (t.empty() || t.size() > 16) return 0;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v, 16);
  if (ec != std::errc() || p != t.data() + t.size()) return 0;
  return v;
}

std::string formatHandle(uint64_t h) {
  char buf[24];
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, h, 16);
  for (char* c = buf; c < p; ++c)
    if (*c >= 'a' && *c <= 'f') *c = char(*c - 'a' + 'A');
  return std::string(buf, p);
}

std::size_t formatDoubleInto(char* buffer, double v) {
  if (!std::isfinite(v)) v = 0.0;
  if (v == 0.0) v = 0.0;  // no "-0"
  // The shortest form is at most 24 characters; ".0" fits after it.
  auto [p, ec] = std::to_chars(buffer, buffer + kDoubleTextMax - 2, v);
  std::string_view s(buffer, std::size_t(p - buffer));
  if (s.find_first_of(".en") == std::string_view::npos) {
    *p++ = '.';
    *p++ = '0';
  }
  return std::size_t(p - buffer);
}

std::string formatDouble(double v) {
  char buf[kDoubleTextMax];
  return std::string(buf, formatDoubleInto(buf, v));
}

PackedBuilder& PackedBuilder::addDouble(int code, double value) {
  char buf[kDoubleTextMax];
  PackedTags::appendTo(data_, code, std::string_view(buf, formatDoubleInto(buf, value)));
  return *this;
}

PackedBuilder& PackedBuilder::addPoint(int code, double x, double y, double z) {
  return addDouble(code, x).addDouble(code + 10, y).addDouble(code + 20, z);
}

double Tag::toDouble() const { return parseDouble(value); }
long long Tag::toInt() const { return parseInt(value); }

// A tag is [code][length varint][bytes]. Codes 0..254 take one byte; the
// others (extended data, negative codes) are 0xFF and two bytes.
void PackedTags::appendTo(std::string& buffer, int code, std::string_view value) {
  if (code >= 0 && code < 0xFF) {
    buffer.push_back(char(code));
  } else {
    uint16_t c = uint16_t(code < 0 ? 0xFFFF + code + 1 : code);
    buffer.push_back(char(0xFF));
    buffer.push_back(char(c & 0xFF));
    buffer.push_back(char(c >> 8));
  }
  size_t n = value.size();
  while (n >= 0x80) {
    buffer.push_back(char((n & 0x7F) | 0x80));
    n >>= 7;
  }
  buffer.push_back(char(n));
  buffer.append(value.data(), value.size());
}

void PackedTags::assign(const Tags& tags) {
  size_t total = 0;
  for (const Tag& t : tags) total += 5 + t.value.size();
  std::string b;
  b.reserve(total);
  for (const Tag& t : tags) appendTo(b, t.code, t.value);
  b.shrink_to_fit();
  data_ = std::move(b);
}

// GCC 12 sees an overlap in std::string::replace that cannot happen.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
void PackedTags::replaceBytes(const char* from, const char* to, int code, std::string_view value) {
  const size_t a = size_t(from - data_.data()), b = size_t(to - data_.data());
  std::string tag;
  appendTo(tag, code, value);
  // In place: a record is rewritten one value at a time.
  data_.replace(a, b - a, tag);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

Tags PackedTags::unpack() const {
  Tags out;
  size_t count = 0;
  for (auto it = begin(), e = end(); it != e; ++it) ++count;
  out.reserve(count);
  for (const View& v : *this) out.push_back(Tag{v.code, std::string(v.value)});
  return out;
}

void PackedTags::Iterator::load() {
  if (p_ >= end_) {
    p_ = end_;
    return;
  }
  const auto* u = reinterpret_cast<const unsigned char*>(p_);
  const unsigned char* q;
  if (u[0] != 0xFF) {
    cur_.code = u[0];
    q = u + 1;
  } else {
    uint16_t c = uint16_t(u[1] | (u[2] << 8));
    cur_.code = c >= 0x8000 ? int(c) - 0x10000 : int(c);
    q = u + 3;
  }
  size_t n = 0;
  int shift = 0;
  while (*q & 0x80) {
    n |= size_t(*q & 0x7F) << shift;
    shift += 7;
    ++q;
  }
  n |= size_t(*q) << shift;
  ++q;
  cur_.value = std::string_view(reinterpret_cast<const char*>(q), n);
  next_ = reinterpret_cast<const char*>(q) + n;
}

}  // namespace host
