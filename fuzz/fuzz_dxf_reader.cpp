// Any bytes given to the DXF reader: it must reject them with a message or
// build a drawing, and a drawing it built must write out as text it reads
// back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/db/database.hpp"
#include "host/dxf/dxf.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string error;
  ZcDbDatabase db(false);
  if (!host::dxf::readDxf(db, input, "input.dxf", error)) return 0;

  std::string written = host::dxf::writeDxf(db);
  ZcDbDatabase again(false);
  std::string error2;
  if (!host::dxf::readDxf(again, written, "written.dxf", error2)) {
    std::fprintf(stderr, "the written drawing does not read back: %s\n", error2.c_str());
    std::abort();
  }
  return 0;
}
