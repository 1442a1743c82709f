#include <iconv.h>

#include <cctype>
#include <map>
#include <memory>

#include "host/dxf/dxf.hpp"

namespace host::dxf {

bool isValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
    i += n;
  }
  return true;
}

static std::string iconvName(const std::string& dwgCodePage) {
  std::string u;
  for (char c : dwgCodePage) u.push_back(char(std::toupper(static_cast<unsigned char>(c))));
  if (u.rfind("ANSI_", 0) == 0) return "CP" + u.substr(5);
  if (u.rfind("DOS", 0) == 0) return "CP" + u.substr(3);
  if (u == "MAC-ROMAN" || u == "MACINTOSH") return "MACINTOSH";
  if (u == "UTF8" || u == "UTF-8") return "UTF-8";
  if (u.rfind("ISO8859-", 0) == 0) return "ISO-8859-" + u.substr(8);
  if (u == "BIG5" || u == "GB2312" || u == "KSC5601" || u == "JOHAB") return u;
  return "CP1252";
}

namespace {
struct Converter {
  iconv_t cd = iconv_t(-1);
  explicit Converter(const std::string& from) {
    cd = iconv_open("UTF-8", from.c_str());
    if (cd == iconv_t(-1)) cd = iconv_open("UTF-8", "CP1252");
  }
  ~Converter() {
    if (cd != iconv_t(-1)) iconv_close(cd);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
};
}  // namespace

std::string toUtf8FromCodePage(std::string_view bytes, const std::string& dwgCodePage) {
  static std::map<std::string, std::unique_ptr<Converter>> converters;
  std::string name = iconvName(dwgCodePage);
  auto& conv = converters[name];
  if (!conv) conv = std::make_unique<Converter>(name);
  std::string out;
  if (conv->cd == iconv_t(-1)) {
    // No converter at all: Latin-1 as a last resort (every byte maps).
    for (unsigned char c : bytes) {
      if (c < 0x80) out.push_back(char(c));
      else {
        out.push_back(char(0xC0 | (c >> 6)));
        out.push_back(char(0x80 | (c & 0x3F)));
      }
    }
    return out;
  }
  iconv(conv->cd, nullptr, nullptr, nullptr, nullptr);
  out.resize(bytes.size() * 4 + 8);
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* o = out.data();
  size_t outLeft = out.size();
  while (inLeft > 0) {
    size_t r = iconv(conv->cd, &in, &inLeft, &o, &outLeft);
    if (r == size_t(-1)) {
      // A byte the code page does not define: replacement character.
      if (outLeft < 3) break;
      *o++ = char(0xEF);
      *o++ = char(0xBF);
      *o++ = char(0xBD);
      outLeft -= 3;
      ++in;
      --inLeft;
      iconv(conv->cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace host::dxf
