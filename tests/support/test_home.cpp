// Every test program runs with an installation folder of its own: a
// temporary folder holding a copy of the block library and the title
// blocks, set as GELTARO_HOME before main. Files the programs write there
// (the codification file) never reach the source tree, and no test depends
// on what an earlier run left.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;

struct TestHome {
  fs::path folder;
  TestHome() {
    if (const char* set = std::getenv("GELTARO_HOME"); set && *set) return;
    std::error_code ec;
    folder = fs::temp_directory_path(ec) / ("geltaro-test-home-" + std::to_string(::getpid()));
    fs::remove_all(folder, ec);
    fs::create_directories(folder, ec);
    fs::copy(fs::path(GELTARO_SOURCE_DIR) / "data" / "biblio", folder / "biblio", fs::copy_options::recursive, ec);
    fs::copy(fs::path(GELTARO_SOURCE_DIR) / "data" / "Cartouches", folder / "Cartouches", fs::copy_options::recursive,
             ec);
    ::setenv("GELTARO_HOME", folder.c_str(), 1);
  }
  ~TestHome() {
    std::error_code ec;
    if (!folder.empty()) fs::remove_all(folder, ec);
  }
};

const TestHome gHome;

}  // namespace
