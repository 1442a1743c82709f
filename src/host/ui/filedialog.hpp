// Open and save file dialogs. Headless, the dialog prints its title, its
// filters and the initial file name, then reads one path line from the
// session's console: an empty line, end of input or "^C" is Cancel. The
// path may be written in double quotes. Without an extension the default
// one is appended; the filter index follows from the extension.
// Open with OFN_FILEMUSTEXIST: a missing file is reported and asked again.
// Save: the folder must exist; with OFN_OVERWRITEPROMPT an existing file is
// confirmed by a Yes/No message box ("no" asks for another path).
#pragma once

#include <string>
#include <vector>

namespace host::ui {

constexpr unsigned OFN_READONLY = 0x1;
constexpr unsigned OFN_OVERWRITEPROMPT = 0x2;
constexpr unsigned OFN_HIDEREADONLY = 0x4;
constexpr unsigned OFN_PATHMUSTEXIST = 0x800;
constexpr unsigned OFN_FILEMUSTEXIST = 0x1000;

class FileDialog {
 public:
  struct Filter {
    std::string name;                   // "Fichiers texte (*.txt)"
    std::vector<std::string> patterns;  // {"*.txt"}
  };

  // `filter` in the "Name|*.a;*.b|Name|*.c||" form; `defaultExt` without the
  // dot ("txt"); `fileName` the initial file name.
  FileDialog(bool open, std::string defaultExt = {}, std::string fileName = {}, unsigned flags = 0,
             const std::string& filter = {});

  void setTitle(std::string title) { title_ = std::move(title); }
  // The folder the dialog starts in: a relative name is taken in it.
  void setInitialFolder(std::string folder) { folder_ = std::move(folder); }
  // IDOK with a path, or IDCANCEL.
  int doModal();

  std::string pathName() const { return path_; }
  std::string fileName() const;   // the name without its folder
  std::string fileExt() const;    // the extension without the dot, "" if none
  std::string fileTitle() const;  // the name without its extension
  int filterIndex() const { return filterIndex_; }  // 1-based, 0 when no filter fits
  const std::vector<Filter>& filters() const { return filters_; }

  static std::vector<Filter> parseFilter(const std::string& filter);

 private:
  bool open_;
  std::string defaultExt_, initial_, title_, folder_;
  unsigned flags_;
  std::vector<Filter> filters_;
  std::string path_;
  int filterIndex_ = 0;
};

}  // namespace host::ui
