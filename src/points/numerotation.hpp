// Names of points created in series: a text prefix, a number and a text
// suffix ("P12", "S100b"). The generators hand out the names one after the
// other.
#pragma once

#include <cstdint>
#include <string>

#include "points/uncopyable.hpp"

// The name "%s%d%s" of a prefix, a number and a suffix.
std::wstring formerNom(const std::wstring& prefixe, long long numero, const std::wstring& suffixe);

// The name of the i-th point (from 0) of a series renumbered from `depart`:
// "%s%d%s" of prefix, depart + i, suffix. The sum is taken in 64 bits, so a
// series that goes past the largest 32-bit number keeps counting upwards.
std::wstring nomNumerote(const std::wstring& prefixe, int depart, const std::wstring& suffixe, int i);

// The letters that follow `s`: "" gives "A"; trailing capital Z's become A's
// and the character before them moves on (an A is put in front when every
// character is a Z: "Z" gives "AA", "ZZ" gives "AAA"); otherwise the last
// character takes the next character code ("A" gives "B", "a" gives "b",
// "9" gives ":").
std::wstring lettresSuivantes(const std::wstring& s);

// A generator of point names. Not copyable: each series has one generator.
class numeroteur : private Uncopyable {
 public:
  virtual ~numeroteur() = default;

  // The next name of the series.
  virtual std::wstring nomSuivant() = 0;
  // Moves the suffix (or the prefix) on to the following letters. Here only
  // the text changes and 0 is given; a generator with a number gives the
  // number the series starts again from.
  virtual int lettresSuffixeSuivantes();
  virtual int lettresPrefixeSuivantes();
  // Moves the number on by one.
  virtual void incrementer() = 0;

  const std::wstring& prefixe() const { return prefixe_; }
  const std::wstring& suffixe() const { return suffixe_; }

 protected:
  numeroteur() = default;

  std::wstring prefixe_;
  std::wstring suffixe_;
};

// A generator of names with a 32-bit number: the current number goes up by
// the step at each name; a change of letters starts it again from the
// restart value. Number, step and restart value start at 1, both texts empty.
class numeroteurEntier : public numeroteur {
 public:
  numeroteurEntier() = default;

  // The name of the current number, then the number goes up by the step.
  std::wstring nomSuivant() override;
  // The letters move on and the number goes back to the restart value,
  // which is given.
  int lettresSuffixeSuivantes() override;
  int lettresPrefixeSuivantes() override;
  // Adds 1 to the current number.
  void incrementer() override;
  // The current number; with `avancer`, the number then goes up by 1 (not
  // by the step).
  virtual int numeroCourant(bool avancer);

  // Sets the prefix, the current number, the suffix and the step; the
  // restart value stays as it is.
  void initialiser(const std::wstring& prefixe, int numero, const std::wstring& suffixe, int pas);

  int pas() const { return pas_; }
  int reprise() const { return reprise_; }

 private:
  // Numbers wrap around at the ends of the 32-bit range instead of
  // overflowing.
  std::int32_t numero_ = 1;
  std::int32_t pas_ = 1;
  std::int32_t reprise_ = 1;
};
