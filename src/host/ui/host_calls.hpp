// The host's own calls for alerts and file dialogs, in its names.
#pragma once

#include <string>

// A notice that needs no answer.
int zcedAlert(const wchar_t* text);
// The host's file dialog. `flags`: 1 asks for a new file (save, with the
// overwrite question unless 2 is set too); otherwise the file must exist.
// `ext` is the default extension ("txt", or "" for any). RTNORM with the
// path in `result`, RTCAN when cancelled.
int zcedGetFileD(const wchar_t* title, const wchar_t* defaultName, const wchar_t* ext, int flags, std::wstring& result);
