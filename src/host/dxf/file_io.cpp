// readDwgFile / saveAs of the database, on DXF files.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "host/dxf/dxf.hpp"

namespace fs = std::filesystem;

namespace {

bool endsWithNoCase(const std::string& s, std::string_view suffix) {
  return s.size() >= suffix.size() && host::iequals(std::string_view(s).substr(s.size() - suffix.size()), suffix);
}

bool slurp(const std::string& path, std::string& data) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fseek(f, 0, SEEK_END);
  long size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  if (size < 0) {
    std::fclose(f);
    return false;
  }
  data.resize(size_t(size));
  size_t got = size ? std::fread(data.data(), 1, size_t(size), f) : 0;
  std::fclose(f);
  data.resize(got);
  return true;
}

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
    lastError_ = requested + ": file not found";
    return Zcad::eFileNotFound;
  }
  std::string data;
  if (!slurp(path, data)) {
    lastError_ = path + ": cannot be read";
    return Zcad::eFileAccessErr;
  }
  // Parse into a fresh database and take it over only when complete.
  ZcDbDatabase fresh(false);
  std::string error;
  if (!host::dxf::readDxf(fresh, data, path, error)) {
    lastError_ = error;
    auto kind = host::dxf::sniff(data);
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
  std::string text = host::dxf::writeDxf(*this);
  std::string tmp = path + ".tmp";
  std::FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) {
    lastError_ = path + ": cannot be written";
    return Zcad::eFileAccessErr;
  }
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = (std::fclose(f) == 0) && ok;
  std::error_code ec;
  if (ok) fs::rename(tmp, path, ec);
  if (!ok || ec) {
    fs::remove(tmp, ec);
    lastError_ = path + ": cannot be written";
    return Zcad::eFileAccessErr;
  }
  return Zcad::eOk;
}

Zcad::ErrorStatus ZcDbDatabase::saveAs(const std::wstring& path) { return saveAs(host::toUtf8(path)); }
