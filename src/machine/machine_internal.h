// Helpers shared by the machine's areas.
#pragma once

#include <string>

#include "machine/machine.h"

namespace machine {

// Records one seam call in M().calls.
void LogCall(const std::string& entry);
// Sets M().lastError and returns `result`, for the common "fail with code" paths.
template <typename T>
T Fail(DWORD error, T result) {
    M().lastError = error;
    return result;
}

std::string Text(LPCSTR s);  // "" for NULL
std::string Upper(const std::string& s);

// Directory part of a normalised path ("C:\\A\\B.TXT" -> "C:\\A", "C:\\A" -> "C:\\"),
// "" for a root.
std::string ParentOf(const std::string& normalisedPath);
// Last component of a normalised path.
std::string LeafOf(const std::string& normalisedPath);
// dir + "\\" + name, normalised.
std::string JoinMachinePath(const std::string& dir, const std::string& name);

// Appends one operation to the value NT carries out at its next start.
void AppendPendingOperation(const std::string& from, const std::string& to, bool replace);

FileData* FindFile(const std::string& path);  // nullptr when no such file
bool IsDirectory(const std::string& path);

// The entry a full path names, each part given by its long or its short name, as the
// machine keys it (the case it was created with); "" when there is none. As Windows
// reads a path for a search: "." and ".." resolved, final dots and blanks trimmed.
std::string StoredPathOf(const std::string& path);
// kernel32's GetLongPathNameA, handed out by GetProcAddress; recorded and failable.
DWORD KernelGetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD size);

// Copies `text` into out[size] as Windows functions that return "needed size" do:
// when it fits, copies and returns its length; otherwise leaves the buffer alone and
// returns length + 1.
DWORD CopyOrNeed(const std::string& text, LPSTR out, DWORD size);

// Error codes the machine reports through lastError.
constexpr DWORD kErrorFileNotFound = 2;
constexpr DWORD kErrorPathNotFound = 3;
constexpr DWORD kErrorAccessDenied = 5;
constexpr DWORD kErrorInvalidHandle = 6;
constexpr DWORD kErrorNotEnoughMemory = 8;
constexpr DWORD kErrorFileExists = 80;
constexpr DWORD kErrorInvalidParameter = 87;
constexpr DWORD kErrorInvalidName = 123;
constexpr DWORD kErrorInsufficientBuffer = 122;
constexpr DWORD kErrorAlreadyExists = 183;
constexpr DWORD kErrorSharingViolation = 32;
constexpr DWORD kErrorEnvvarNotFound = 203;
constexpr DWORD kErrorResourceNotFound = 1814;

// A new kernel handle, counted as open until CloseHandle.
HANDLE OpenNewHandle();

// Resets the areas' own hidden state (string table cache stays).
void ResetHeap();
void ResetModules();
void ResetVersionService();

}  // namespace machine
