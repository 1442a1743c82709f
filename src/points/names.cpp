#include "points/names.hpp"

#include "host/app/host_app.hpp"

namespace geltaro::points {

std::string minuscules(std::string_view ansi) {
  std::string out(ansi);
  for (char& ch : out) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) ch = char(c + 0x20);
    else if (c == 0x8A || c == 0x8C || c == 0x8E) ch = char(c + 0x10);  // Š Œ Ž
    else if (c == 0x9F) ch = char(0xFF);                                 // Ÿ
  }
  return out;
}

namespace {
std::string_view trimmed(std::string_view s, std::string_view blanks) {
  const auto b = s.find_first_not_of(blanks);
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}
}  // namespace

std::string cleNom(std::string_view ansi, bool tabs) { return minuscules(trimmed(ansi, tabs ? " \t" : " ")); }

bool cleNom(const wchar_t* nom, std::string& cle) {
  const std::wstring wide = nom ? nom : L"";
  const std::string ansi = host::toAnsi(wide);
  if (host::fromAnsi(ansi) != wide) return false;
  cle = cleNom(ansi);
  return true;
}

bool estSansNom(std::string_view ansi) { return trimmed(ansi, " *.").empty(); }

namespace {
int signe(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }
}  // namespace

cleNomPoint cleTri(std::string_view nom) {
  cleNomPoint c;
  c.entier = minuscules(nom);
  std::size_t i = 0;
  while (i < nom.size() && !(nom[i] >= '0' && nom[i] <= '9')) ++i;
  c.prefixe = c.entier.substr(0, i);
  // The number saturates rather than wraps on absurdly long digit runs.
  for (; i < nom.size() && nom[i] >= '0' && nom[i] <= '9'; ++i)
    c.nombre = c.nombre > 1000000000000000000ULL ? c.nombre : c.nombre * 10 + unsigned(nom[i] - '0');
  c.reste = c.entier.substr(i);
  return c;
}

int comparerCles(const cleNomPoint& a, const cleNomPoint& b) {
  if (a.entier == b.entier) return 0;
  if (a.prefixe.empty() != b.prefixe.empty()) return a.prefixe.empty() ? 1 : -1;
  if (a.prefixe != b.prefixe) return signe(a.prefixe.compare(b.prefixe));
  if (a.nombre != b.nombre) return a.nombre < b.nombre ? -1 : 1;
  return signe(a.reste.compare(b.reste));
}

int comparerNomsPoints(std::string_view a, std::string_view b) { return comparerCles(cleTri(a), cleTri(b)); }

int comparerNomsPoints(const std::wstring& a, const std::wstring& b) {
  return comparerNomsPoints(host::toAnsi(a), host::toAnsi(b));
}

}  // namespace geltaro::points
