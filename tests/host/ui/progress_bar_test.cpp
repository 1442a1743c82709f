// The progress bar control of dialogs: its range and its position.
#include <gtest/gtest.h>

#include "host/ui/dialog.hpp"
#include "host/ui/runner.hpp"

namespace host::ui {
namespace {

TEST(ProgressBar, KeepsItsPositionWithinTheRange) {
  Dialog d("Barre");
  auto& bar = d.add<ProgressBar>(10, "Progression");
  EXPECT_EQ(bar.lower(), 0);
  EXPECT_EQ(bar.upper(), 100);
  EXPECT_EQ(bar.pos(), 0);

  bar.setPos(42);
  EXPECT_EQ(bar.pos(), 42);
  bar.setRange(0, 10);  // the position follows a shrinking range
  EXPECT_EQ(bar.pos(), 10);
  bar.setPos(-3);
  EXPECT_EQ(bar.pos(), 0);
  bar.setRange(7, 2);  // reversed bounds
  EXPECT_EQ(bar.lower(), 2);
  EXPECT_EQ(bar.upper(), 7);
  EXPECT_EQ(bar.pos(), 2);
  bar.setRange(0, 0);  // an empty run: one position only
  bar.setPos(5);
  EXPECT_EQ(bar.pos(), 0);

  EXPECT_EQ(&d.get<ProgressBar>(10), &bar);
  EXPECT_NE(renderDialog(d).find("[10] static \"Progression\""), std::string::npos) << renderDialog(d);
}

}  // namespace
}  // namespace host::ui
