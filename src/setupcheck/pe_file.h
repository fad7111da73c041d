// What the plan needs to know of a file on the author's disk: its version resource,
// whether it is a module that registers itself, and, for a compressed source, the
// file it expands to.
#pragma once

#include <stdint.h>

#include <string>

// The file version of a PE file's version resource (dwFileVersionMS << 32 | LS), or 0
// when the file has none.
uint64_t ReadFileVersion(const std::string& bytes);
// Whether the bytes are a PE module (a file LoadLibrary could load).
bool IsPeModule(const std::string& bytes);
// Whether a PE module exports a function of that name.
bool ExportsFunction(const std::string& bytes, const std::string& name);
// Whether the bytes are a file compressed with COMPRESS (the "SZDD" format).
bool IsSzddFile(const std::string& bytes);
// The file a "SZDD" file expands to; false when it is not one or is damaged.
bool ExpandSzddFile(const std::string& bytes, std::string& expanded);
