// Writing a whole file the way its target asks. A save must never destroy
// what stands at the path it is given: a regular file (or nothing yet) is
// replaced in one rename by a complete new file; a symbolic link keeps
// pointing at its file, which is the one replaced; a device, a FIFO or a
// socket receives the bytes directly and stays what it is; a folder, or a
// folder that does not exist, is refused.
#pragma once

#include <string>
#include <string_view>

namespace host {

// Writes `data` at `path`. Regular files and new files: a temporary file
// in the same folder, flushed to disk, renamed over the target (the
// replaced file's permission bits, and owner where the process may set it,
// are kept; on any failure the temporary file goes and the target stays as
// it was). Symbolic links are followed to their file. Character and block
// devices, FIFOs and sockets are written to directly. False, with `error`
// telling why in French (naming the path), when nothing could be written.
bool writeFile(const std::string& path, std::string_view data, std::string& error);

// Writes `data` to the process's standard output.
bool writeStandardOutput(std::string_view data, std::string& error);

}  // namespace host
