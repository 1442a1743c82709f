// What the database tests share: a scratch folder for the drawings they
// write, and a drawing saved and read back, as a later session sees it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "host/db/database.hpp"

namespace host::testing {

inline std::string tempPath(const std::string& name) {
  auto dir = std::filesystem::temp_directory_path() / "geltaro-db-test";
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

// Saves under `name` in the scratch folder and reads the file back.
inline std::unique_ptr<ZcDbDatabase> reload(ZcDbDatabase& db, const std::string& name) {
  const std::string path = tempPath(name);
  EXPECT_EQ(db.saveAs(path), Zcad::eOk);
  auto again = std::make_unique<ZcDbDatabase>(false);
  EXPECT_EQ(again->readDwgFile(path), Zcad::eOk) << again->lastError();
  return again;
}

}  // namespace host::testing
