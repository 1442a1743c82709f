#include "points/numerotation.hpp"

namespace {

// Sum of two 32-bit numbers wrapping around at the ends of the range, as the
// number field of a generator does, without the undefined overflow.
std::int32_t ajouter(std::int32_t a, std::int32_t b) {
  return std::int32_t(std::uint32_t(a) + std::uint32_t(b));
}

}  // namespace

std::wstring formerNom(const std::wstring& prefixe, long long numero, const std::wstring& suffixe) {
  return prefixe + std::to_wstring(numero) + suffixe;
}

std::wstring nomNumerote(const std::wstring& prefixe, int depart, const std::wstring& suffixe, int i) {
  return formerNom(prefixe, static_cast<long long>(depart) + i, suffixe);
}

std::wstring lettresSuivantes(const std::wstring& s) {
  if (s.empty()) return L"A";
  std::wstring r = s;
  if (r.back() != L'Z') {
    r.back() = wchar_t(r.back() + 1);
    return r;
  }
  std::size_t i = r.size();
  while (i > 0 && r[i - 1] == L'Z') r[--i] = L'A';
  if (i == 0) r.insert(r.begin(), L'A');
  else r[i - 1] = wchar_t(r[i - 1] + 1);
  return r;
}

// ---------------------------------------------------------------- numeroteur

int numeroteur::lettresSuffixeSuivantes() {
  suffixe_ = lettresSuivantes(suffixe_);
  return 0;
}

int numeroteur::lettresPrefixeSuivantes() {
  prefixe_ = lettresSuivantes(prefixe_);
  return 0;
}

// ---------------------------------------------------------- numeroteurEntier

std::wstring numeroteurEntier::nomSuivant() {
  std::wstring nom = formerNom(prefixe_, numero_, suffixe_);
  numero_ = ajouter(numero_, pas_);
  return nom;
}

int numeroteurEntier::lettresSuffixeSuivantes() {
  numeroteur::lettresSuffixeSuivantes();
  numero_ = reprise_;
  return numero_;
}

int numeroteurEntier::lettresPrefixeSuivantes() {
  numeroteur::lettresPrefixeSuivantes();
  numero_ = reprise_;
  return numero_;
}

void numeroteurEntier::incrementer() { numero_ = ajouter(numero_, 1); }

int numeroteurEntier::numeroCourant(bool avancer) {
  const int courant = numero_;
  if (avancer) numero_ = ajouter(numero_, 1);
  return courant;
}

void numeroteurEntier::initialiser(const std::wstring& prefixe, int numero, const std::wstring& suffixe, int pas) {
  prefixe_ = prefixe;
  numero_ = numero;
  suffixe_ = suffixe;
  pas_ = pas;
}
