// Whole files written as their targets ask: regular files replaced in one
// rename with their mode kept, links followed, FIFOs, sockets and devices
// written to and left what they are, folders refused.
#include "host/files/write_file.hpp"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class WriteFile : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("geltaro-write-file-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string read(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // What is left in the folder besides `keep`: no temporary file may stay.
  std::vector<std::string> others(std::initializer_list<std::string> keep) const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) {
      const std::string n = e.path().filename().string();
      if (std::find(keep.begin(), keep.end(), n) == keep.end()) out.push_back(n);
    }
    return out;
  }

  fs::path dir_;
};

TEST_F(WriteFile, RegularFilesAreReplacedWholeWithTheirModeKept) {
  const std::string p = path("plan.dxf");
  std::string error;
  ASSERT_TRUE(host::writeFile(p, "first", error)) << error;
  EXPECT_EQ(read(p), "first");
  ::chmod(p.c_str(), 0444);
  ASSERT_TRUE(host::writeFile(p, "second", error)) << error;
  EXPECT_EQ(read(p), "second");
  struct stat st {};
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_mode & 07777, 0444u);
  EXPECT_TRUE(others({"plan.dxf"}).empty());
}

TEST_F(WriteFile, LinksStayLinksAndTheirFileIsReplaced) {
  fs::create_directories(dir_ / "real");
  const std::string target = path("real/plan.dxf");
  std::string error;
  ASSERT_TRUE(host::writeFile(target, "old", error));
  fs::create_symlink("real/plan.dxf", dir_ / "link.dxf");  // relative to the link's folder
  fs::create_symlink("link.dxf", dir_ / "chain.dxf");
  fs::create_symlink("real/new.dxf", dir_ / "dangling.dxf");
  ASSERT_TRUE(host::writeFile(path("chain.dxf"), "new", error)) << error;
  EXPECT_TRUE(fs::is_symlink(dir_ / "chain.dxf"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.dxf"));
  EXPECT_EQ(read(target), "new");
  // A link to a file not made yet: the file is made where it points.
  ASSERT_TRUE(host::writeFile(path("dangling.dxf"), "made", error)) << error;
  EXPECT_TRUE(fs::is_symlink(dir_ / "dangling.dxf"));
  EXPECT_EQ(read(path("real/new.dxf")), "made");
  EXPECT_TRUE(others({"real", "link.dxf", "chain.dxf", "dangling.dxf"}).empty());
}

TEST_F(WriteFile, FifosReceiveTheBytesAndStayFifos) {
  const std::string p = path("pipe");
  ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0);
  auto reader = std::async(std::launch::async, [&] { return read(p); });
  std::string error;
  ASSERT_TRUE(host::writeFile(p, "through the pipe", error)) << error;
  EXPECT_EQ(reader.get(), "through the pipe");
  struct stat st {};
  ASSERT_EQ(::lstat(p.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_TRUE(others({"pipe"}).empty());
}

TEST_F(WriteFile, SocketsAreConnectedToAndWritten) {
  const std::string p = path("sock");
  const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, p.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(server, 1), 0);
  auto reader = std::async(std::launch::async, [server] {
    const int c = ::accept(server, nullptr, nullptr);
    std::string got;
    char buf[256];
    for (ssize_t n; (n = ::read(c, buf, sizeof buf)) > 0;) got.append(buf, std::size_t(n));
    ::close(c);
    return got;
  });
  std::string error;
  ASSERT_TRUE(host::writeFile(p, "over the socket", error)) << error;
  EXPECT_EQ(reader.get(), "over the socket");
  ::close(server);
  struct stat st {};
  ASSERT_EQ(::lstat(p.c_str(), &st), 0);
  EXPECT_TRUE(S_ISSOCK(st.st_mode));
}

TEST_F(WriteFile, DevicesAreWrittenToAndStayDevices) {
  // A null device of the test's own (making one needs the right to).
  const std::string p = path("null");
  if (::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP() << "no right to make a device node here";
  std::string error;
  if (!host::writeFile(p, "discarded", error) && error.find("accès refusé") != std::string::npos)
    GTEST_SKIP() << "devices cannot be opened on this file system: " << error;
  ASSERT_TRUE(error.empty()) << error;
  struct stat st {};
  ASSERT_EQ(::lstat(p.c_str(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_TRUE(others({"null"}).empty());
}

TEST_F(WriteFile, FoldersAndMissingFoldersAreRefused) {
  struct Case {
    std::string path, message;
  } cases[] = {
      {dir_.string(), "c'est un dossier"},
      {path("missing/plan.dxf"), "n'existe pas"},
      {"", "chemin vide"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::string error;
    EXPECT_FALSE(host::writeFile(c.path, "x", error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
  EXPECT_TRUE(others({}).empty());
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

}  // namespace
