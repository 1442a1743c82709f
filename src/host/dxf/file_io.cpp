// readDwgFile / saveAs of the database, on DXF files.
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/dxf/dxf.hpp"
#include "host/files/write_file.hpp"

namespace fs = std::filesystem;

namespace {

bool endsWithNoCase(const std::string& s, std::string_view suffix) {
  return s.size() >= suffix.size() && host::iequals(std::string_view(s).substr(s.size() - suffix.size()), suffix);
}

// The whole file in memory. A drawing can be tens of megabytes: the buffer is
// an anonymous mapping asked for in large pages, which saves the thousands of
// page faults a fresh heap block of that size costs.
class FileText {
 public:
  FileText() = default;
  FileText(const FileText&) = delete;
  FileText& operator=(const FileText&) = delete;
  ~FileText() {
    if (data_) ::munmap(data_, capacity_);
  }

  bool read(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size < 0) {
      ::close(fd);
      return false;
    }
    capacity_ = size_t(st.st_size) + 1;
    void* p = ::mmap(nullptr, capacity_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
      ::close(fd);
      data_ = nullptr;
      return false;
    }
    data_ = static_cast<char*>(p);
    ::madvise(data_, capacity_, MADV_HUGEPAGE);
    // Read what is there, even if the file changed size meanwhile.
    size_t got = 0;
    while (got < capacity_ - 1) {
      ssize_t n = ::read(fd, data_ + got, capacity_ - 1 - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += size_t(n);
    }
    ::close(fd);
    size_ = got;
    return true;
  }
  std::string_view view() const { return std::string_view(data_ ? data_ : "", size_); }

 private:
  char* data_ = nullptr;
  size_t capacity_ = 0;
  size_t size_ = 0;
};

}  // namespace

Zcad::ErrorStatus ZcDbDatabase::readDwgFile(const std::string& requested) {
  std::string path = requested;
  std::error_code ec;
  // Drawings named .dwg are looked up as the .dxf of the same name.
  if (!fs::exists(path, ec) && endsWithNoCase(path, ".dwg")) {
    std::string base = path.substr(0, path.size() - 4);
    for (const char* ext : {".dxf", ".DXF"})
      if (fs::exists(base + ext, ec)) {
        path = base + ext;
        break;
      }
  }
  if (!fs::is_regular_file(path, ec)) {
    lastError_ = requested + " : fichier introuvable";
    return Zcad::eFileNotFound;
  }
  FileText text;
  if (!text.read(path)) {
    lastError_ = path + " : lecture impossible";
    return Zcad::eFileAccessErr;
  }
  // Parse into a fresh database and take it over only when complete.
  ZcDbDatabase fresh(false);
  std::string error;
  if (!host::dxf::readDxf(fresh, text.view(), path, error)) {
    lastError_ = error;
    auto kind = host::dxf::sniff(text.view());
    return kind == host::dxf::FileKind::AsciiDxf ? Zcad::eDwgNeedsRecovery : Zcad::eDwgNotRecognized;
  }
  store_ = std::move(fresh.store_);
  for (host::ObjectRecord& r : store_.records) r.db = this;
  filename_ = path;
  lastError_.clear();
  return Zcad::eOk;
}

Zcad::ErrorStatus ZcDbDatabase::readDwgFile(const std::wstring& path) { return readDwgFile(host::toUtf8(path)); }

Zcad::ErrorStatus ZcDbDatabase::saveAs(const std::string& path) {
  // Whatever stands at the path decides how it is written (a drawing file
  // replaced whole in one rename, a link followed, a device written to);
  // "-" is the standard output.
  const std::string text = host::dxf::writeDxf(*this);
  std::string error;
  const bool ok = path == "-" ? host::writeStandardOutput(text, error) : host::writeFile(path, text, error);
  if (!ok) {
    lastError_ = error;
    return Zcad::eFileAccessErr;
  }
  return Zcad::eOk;
}

Zcad::ErrorStatus ZcDbDatabase::saveAs(const std::wstring& path) { return saveAs(host::toUtf8(path)); }
