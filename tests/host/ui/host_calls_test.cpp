#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/db/resbuf.hpp"
#include "host/ui/host_calls.hpp"
#include "session.hpp"

namespace fs = std::filesystem;

TEST(HostCalls, FileDialogAndAlert) {
  fs::path dir = fs::temp_directory_path() / "geltaro-hostcalls";
  fs::create_directories(dir);
  std::ofstream(dir / "existe.txt") << "x";
  struct Case {
    const char* why;
    std::string script;
    int flags;
    int status;
    std::string file;
  } cases[] = {
      {"an existing file to open", (dir / "existe.txt").string() + "\n", 0, RTNORM, "existe.txt"},
      {"a missing file is asked again", (dir / "absent.txt").string() + "\n" + (dir / "existe").string() + "\n", 0,
       RTNORM, "existe.txt"},
      {"a new file gets the extension", (dir / "nouveau").string() + "\n", 1, RTNORM, "nouveau.txt"},
      {"an existing file to save, replaced", (dir / "existe.txt").string() + "\nyes\n", 1, RTNORM, "existe.txt"},
      {"an empty answer cancels", "\n", 0, RTCAN, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    host::ui::testing::Session s(c.script);
    std::wstring path;
    EXPECT_EQ(zcedGetFileD(L"Fichier", L"", L"txt", c.flags, path), c.status);
    if (c.status == RTNORM) {
      EXPECT_EQ(fs::path(path).filename().string(), c.file);
    }
  }
  host::ui::testing::Session s("");
  EXPECT_EQ(zcedAlert(L"Erreur, les deux polylines n'ont pas le meme nombre de sommets !"), RTNORM);
  EXPECT_NE(s.out().find("les deux polylines"), std::string::npos);
  fs::remove_all(dir);
}
