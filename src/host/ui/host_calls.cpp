#include "host/ui/host_calls.hpp"

#include "host/db/database.hpp"
#include "host/db/resbuf.hpp"
#include "host/ui/filedialog.hpp"
#include "host/ui/messagebox.hpp"

int zcedAlert(const wchar_t* text) {
  host::ui::zcedAlert(host::toUtf8(text ? text : L""));
  return RTNORM;
}

int zcedGetFileD(const wchar_t* title, const wchar_t* defaultName, const wchar_t* ext, int flags, std::wstring& result) {
  bool save = (flags & 1) != 0;
  std::string e = host::toUtf8(ext ? ext : L"");
  unsigned ofn = save ? ((flags & 2) ? 0u : host::ui::OFN_OVERWRITEPROMPT) : host::ui::OFN_FILEMUSTEXIST;
  std::string filter = e.empty() ? std::string("Tous (*.*)|*.*||") : "(*." + e + ")|*." + e + "|Tous (*.*)|*.*||";
  host::ui::FileDialog dlg(!save, e, host::toUtf8(defaultName ? defaultName : L""), ofn, filter);
  if (title) dlg.setTitle(host::toUtf8(title));
  if (dlg.doModal() != host::ui::IDOK) return RTCAN;
  result = host::fromUtf8(dlg.pathName());
  return RTNORM;
}
