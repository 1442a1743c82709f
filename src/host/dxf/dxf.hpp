// DXF files: the drawing format on disk. Reads ASCII DXF of every version
// from R12 on, keeping every tag it does not interpret; writes one modern
// version (AC1032, UTF-8) with handles, owners and markers.
#pragma once

#include <string>
#include <string_view>

#include "host/db/database.hpp"

namespace host::dxf {

// The version written.
constexpr const char* kWriteVersion = "AC1032";

// Reads DXF text into an empty database (built without default content).
// On failure returns false and a message naming the line; the database is
// then in an unspecified state and must be dropped (readDwgFile does that).
bool readDxf(ZcDbDatabase& db, std::string_view data, const std::string& fileName, std::string& error);

// The whole drawing as DXF text.
std::string writeDxf(const ZcDbDatabase& db);

// What a file is, judged from its first bytes.
enum class FileKind { AsciiDxf, BinaryDxf, Dwg, Empty };
FileKind sniff(std::string_view data);

// Code page conversion of 8-bit texts to UTF-8 ("ANSI_1252", "dos932", ...).
std::string toUtf8FromCodePage(std::string_view bytes, const std::string& dwgCodePage);
bool isValidUtf8(std::string_view s);

}  // namespace host::dxf
