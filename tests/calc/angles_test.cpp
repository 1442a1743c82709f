#include "calc/angles.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(ModuloPositif, BringsAnglesIntoOneTurn) {
  struct Cas {
    double a, m, attendu;
  } cas[] = {
      {-10, 400, 390},  {400, 400, 0},         {0, 400, 0},         {810, 400, 10},
      {-400, 400, 0},   {-370, 360, 350},      {123.25, 0, 123.25}, {-5, 0, -5},
      {-kPi / 2, 2 * kPi, 3 * kPi / 2},
  };
  for (const auto& c : cas) EXPECT_NEAR(moduloPositif(c.a, c.m), c.attendu, 1e-12) << c.a << " mod " << c.m;
}

TEST(ModuloPositif, NeverReturnsTheModulusItself) {
  // A tiny negative angle would round to a full turn without the guard.
  for (double m : {400.0, 360.0, 2 * kPi}) {
    double r = moduloPositif(-1e-17, m);
    EXPECT_GE(r, 0.0);
    EXPECT_LT(r, m);
  }
}

TEST(CalculerGisement, CardinalDirectionsInEveryUnit) {
  struct Cas {
    double xd, yd, grades;
  } cas[] = {
      {0, 10, 0}, {10, 0, 100}, {0, -10, 200}, {-10, 0, 300}, {10, 10, 50}, {-10, 10, 350}, {-10, -10, 250},
  };
  for (const auto& c : cas) {
    EXPECT_NEAR(calculerGisement(0, 0, c.xd, c.yd, kGrades), c.grades, 1e-9) << c.xd << "," << c.yd;
    EXPECT_NEAR(calculerGisement(0, 0, c.xd, c.yd, kDegres), c.grades * 0.9, 1e-9) << c.xd << "," << c.yd;
    EXPECT_NEAR(calculerGisement(0, 0, c.xd, c.yd, kRadians), c.grades * kPi / 200, 1e-12) << c.xd << "," << c.yd;
  }
}

TEST(CalculerGisement, UsesTheDifferenceFromTheStation) {
  EXPECT_NEAR(calculerGisement(1000, 2000, 1000, 1990, kGrades), 200, 1e-9);
  EXPECT_NEAR(calculerGisement(1000, 2000, 1010, 2010, kDegres), 45, 1e-9);
}

TEST(CalculerGisement, CoincidentPointsGiveAQuarterTurn) {
  EXPECT_DOUBLE_EQ(calculerGisement(5, 7, 5, 7, kGrades), 100);
  EXPECT_DOUBLE_EQ(calculerGisement(5, 7, 5, 7, kDegres), 90);
  EXPECT_DOUBLE_EQ(calculerGisement(5, 7, 5, 7, kRadians), kPi / 2);
}

TEST(CalculerGisement, ResultStaysInOneTurn) {
  for (int k = 0; k < 360; ++k) {
    double t = k * kPi / 180;
    double g = calculerGisement(0, 0, std::cos(t), std::sin(t), kGrades);
    EXPECT_GE(g, 0.0);
    EXPECT_LT(g, 400.0);
  }
}

}  // namespace
