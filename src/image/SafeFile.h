// Writing a whole file so that a failure never destroys what was there.
#pragma once

#include <cstddef>
#include <string>

// Writes the bytes to the path. A regular file (or a new one) is written to a temporary file in
// the same folder, flushed, and renamed over the target only when every byte is on disk; an
// existing file keeps its permissions and a symbolic link stays a link to the new file. A
// device or a pipe is written in place (renaming over it would replace the node). Returns
// false on any failure, after the trace "can't open KIND PATH!" or "can't write KIND PATH!",
// KIND naming the file for developers ("imagefile", say); the old file is then untouched.
bool WriteFileSafely(const std::string& strPath, const void* pBytes, size_t nSize,
                     const char* pszKind);
