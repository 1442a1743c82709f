#include <gtest/gtest.h>
#include "host/db/entities.hpp"
TEST(Database, NewDrawingHasModelSpace) {
  ZcDbDatabase db;
  EXPECT_FALSE(db.modelSpaceId().isNull());
}
