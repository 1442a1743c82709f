// The command line of the host: prompts answered from the session's console,
// one answer per line. Statuses and init-get flags are the host's.
#pragma once

#include <string>
#include <vector>

#include "host/db/resbuf.hpp"
#include "host/geom/point.hpp"

class ZcDbDatabase;

// init-get flags
constexpr int RSG_NONULL = 1;
constexpr int RSG_NOZERO = 2;
constexpr int RSG_NONEG = 4;
constexpr int RSG_NOLIM = 8;
constexpr int RSG_GETZ = 16;
constexpr int RSG_DASH = 32;
constexpr int RSG_2D = 64;
constexpr int RSG_OTHER = 128;

// The drawing commands work on.
ZcDbDatabase* zcdbCurDwg();
void zcdbSetCurDwg(ZcDbDatabase* db);

// Flags and keywords for the next prompt only. Keywords are separated by
// blanks; those after "_" are the global names of the ones before, in order.
// The capital letters of a keyword are its shortest abbreviation.
int zcedInitGet(int flags, const wchar_t* keywords = nullptr);

// Prompts. Results: RTNORM, RTNONE (Enter), RTCAN (Escape or end of
// input), RTKWORD (a keyword: zcedGetInput gives it), RTERROR.
int zcedGetPoint(const ZcGePoint3d* base, const wchar_t* prompt, ZcGePoint3d& result);
int zcedGetCorner(const ZcGePoint3d* base, const wchar_t* prompt, ZcGePoint3d& result);
int zcedGetDist(const ZcGePoint3d* base, const wchar_t* prompt, double& result);
int zcedGetReal(const wchar_t* prompt, double& result);
int zcedGetInt(const wchar_t* prompt, int& result);
// Angles in radians: counter-clockwise from +X (orientation) or from the
// drawing's base angle (angle, here the same); typed values are degrees,
// or the angle from the base point to a point given.
int zcedGetOrient(const ZcGePoint3d* base, const wchar_t* prompt, double& result);
int zcedGetAngle(const ZcGePoint3d* base, const wchar_t* prompt, double& result);
int zcedGetKword(const wchar_t* prompt, std::wstring& result);
// A string: up to the end of the line when `allowSpaces`, else up to the first blank.
int zcedGetString(int allowSpaces, const wchar_t* prompt, std::wstring& result);
// The keyword (global name) or the text of the last RTKWORD answer.
int zcedGetInput(std::wstring& result);

// Prints to the command line (printf formats, wide strings with %s / %ls).
int zcutPrintf(const wchar_t* format, ...);
// Prints UTF-8 text as it is.
void zcutPrint(const std::string& text);

namespace host {
// The keyword a typed answer stands for, or empty. `keywords` as for init-get.
std::wstring matchKeyword(const std::wstring& answer, const std::wstring& keywords);
// Parses a point answer "x,y" / "x,y,z" / "@dx,dy[,dz]" (relative to `last`).
bool parsePoint(const std::string& text, const ZcGePoint3d& last, ZcGePoint3d& out);
std::wstring hostWideFormat(const wchar_t* format);
// Prints the prompt and reads one answer, trimmed of blanks. False when the
// answer is Escape ("*Annuler*" printed).
bool askLine(const wchar_t* prompt, std::string& answer);
// Takes the pending init-get (flags and keywords) for a prompt made elsewhere
// (picks, selections); `setLastInput` records a keyword answer.
std::wstring takeInitGetKeywords(int& flags);
void setLastInput(const std::wstring& input);
// The last point given at a prompt (for "@" answers).
ZcGePoint3d lastPoint();
}  // namespace host
