// Files and directories: paths, copies, moves and deletes over the machine's file map.
#include <stdio.h>
#include <string.h>

#include <vector>

#include "machine/machine_internal.h"

namespace machine {

namespace {
bool IsDriveRoot(const std::string& p) {
    return p.size() == 3 && p[1] == ':' && p[2] == '\\';
}
bool HasDrive(const std::string& p) {
    return p.size() >= 2 && p[1] == ':';
}
}  // namespace

std::string NormalisePath(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '/') c = '\\';
    if (p.empty()) return p;
    // Relative forms: "name", "dir\name", "\dir" (root of the current drive), "C:name".
    std::string cur = M().currentDirectory;
    bool unc = p.size() >= 2 && p[0] == '\\' && p[1] == '\\';
    if (!unc) {
        if (HasDrive(p)) {
            if (p.size() == 2 || p[2] != '\\') p.insert(2, "\\");
        } else if (p[0] == '\\') {
            p = cur.substr(0, 2) + p;
        } else {
            p = cur + "\\" + p;
        }
    }
    // Split into components; doubled separators give empty components, dropped.
    std::string prefix = unc ? "\\\\" : p.substr(0, 3);
    std::string rest = p.substr(unc ? 2 : 3);
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find('\\', start);
        if (end == std::string::npos) end = rest.size();
        std::string part = rest.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out = prefix;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out += '\\';
        out += parts[i];
    }
    return out;
}

std::string ParentOf(const std::string& p) {
    if (IsDriveRoot(p)) return "";
    size_t pos = p.rfind('\\');
    if (pos == std::string::npos) return "";
    if (pos == 2 && HasDrive(p)) return p.substr(0, 3);
    return p.substr(0, pos);
}

std::string LeafOf(const std::string& p) {
    size_t pos = p.rfind('\\');
    return pos == std::string::npos ? p : p.substr(pos + 1);
}

std::string JoinMachinePath(const std::string& dir, const std::string& name) {
    return NormalisePath(dir + "\\" + name);
}

FileData* FindFile(const std::string& path) {
    auto it = M().files.find(NormalisePath(path));
    return it == M().files.end() ? nullptr : &it->second;
}

bool IsDirectory(const std::string& path) {
    std::string p = NormalisePath(path);
    return !p.empty() && M().directories.count(p) > 0;
}

DWORD CopyOrNeed(const std::string& text, LPSTR out, DWORD size) {
    if (out != nullptr && size > text.size()) {
        memcpy(out, text.c_str(), text.size() + 1);
        return static_cast<DWORD>(text.size());
    }
    return static_cast<DWORD>(text.size() + 1);
}

}  // namespace machine

// --- seam functions (global: the installer calls them unqualified) --------------

using namespace machine;

// Windows NT: a name that does not fit is cut to `size` characters without a
// terminator and the call returns `size`.
DWORD GetModuleFileNameA(HMODULE module, LPSTR out, DWORD size) {
    LogCall("GetModuleFileNameA");
    if (ShouldFail("GetModuleFileNameA")) return Fail<DWORD>(kErrorInvalidHandle, 0);
    std::string name = M().moduleFileName;
    if (module != nullptr && M().loadedModules.count(module)) name = M().loadedModules[module];
    if (size == 0) return Fail<DWORD>(kErrorInsufficientBuffer, 0);
    if (name.size() < size) {
        memcpy(out, name.c_str(), name.size() + 1);
        return static_cast<DWORD>(name.size());
    }
    memcpy(out, name.data(), size);
    return Fail<DWORD>(kErrorInsufficientBuffer, size);
}

UINT GetWindowsDirectoryA(LPSTR out, UINT size) {
    LogCall("GetWindowsDirectoryA");
    if (ShouldFail("GetWindowsDirectoryA")) return 0;
    return CopyOrNeed(M().windowsDirectory, out, size);
}

UINT GetSystemDirectoryA(LPSTR out, UINT size) {
    LogCall("GetSystemDirectoryA");
    if (ShouldFail("GetSystemDirectoryA")) return 0;
    return CopyOrNeed(M().systemDirectory, out, size);
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    LogCall("CreateDirectoryA " + Text(path));
    if (ShouldFail("CreateDirectoryA")) return Fail(kErrorAccessDenied, FALSE);
    std::string p = NormalisePath(Text(path));
    if (p.empty()) return Fail(kErrorPathNotFound, FALSE);
    if (M().directories.count(p) || M().files.count(p)) return Fail(kErrorAlreadyExists, FALSE);
    std::string parent = ParentOf(p);
    if (parent.empty() || !M().directories.count(parent)) return Fail(kErrorPathNotFound, FALSE);
    M().directories.insert(p);
    return TRUE;
}

BOOL CopyFileA(LPCSTR existing, LPCSTR newName, BOOL failIfExists) {
    LogCall("CopyFileA " + Text(existing) + " " + Text(newName));
    if (ShouldFail("CopyFileA")) return Fail(kErrorAccessDenied, FALSE);
    std::string from = NormalisePath(Text(existing));
    std::string to = NormalisePath(Text(newName));
    FileData* source = FindFile(from);
    if (!source) return Fail(IsDirectory(ParentOf(from)) ? kErrorFileNotFound : kErrorPathNotFound, FALSE);
    if (source->inUse) return Fail(kErrorSharingViolation, FALSE);
    if (to.empty() || !IsDirectory(ParentOf(to))) return Fail(kErrorPathNotFound, FALSE);
    if (IsDirectory(to)) return Fail(kErrorAccessDenied, FALSE);
    if (FileData* dest = FindFile(to)) {
        if (failIfExists) return Fail(kErrorFileExists, FALSE);
        if (dest->inUse) return Fail(kErrorSharingViolation, FALSE);
        if (dest->readOnly) return Fail(kErrorAccessDenied, FALSE);
    }
    FileData copy = *source;  // content, version and the read-only attribute travel
    copy.inUse = false;
    M().files[to] = copy;
    return TRUE;
}

BOOL DeleteFileA(LPCSTR path) {
    LogCall("DeleteFileA " + Text(path));
    if (ShouldFail("DeleteFileA")) return Fail(kErrorAccessDenied, FALSE);
    std::string p = NormalisePath(Text(path));
    auto it = M().files.find(p);
    if (it == M().files.end())
        return Fail(
            IsDirectory(p) ? kErrorAccessDenied : (IsDirectory(ParentOf(p)) ? kErrorFileNotFound : kErrorPathNotFound),
            FALSE);
    if (it->second.inUse) return Fail(kErrorSharingViolation, FALSE);
    if (it->second.readOnly) return Fail(kErrorAccessDenied, FALSE);
    M().files.erase(it);
    return TRUE;
}

BOOL MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags) {
    LogCall("MoveFileExA " + Text(existing) + " " + Text(newName) + " " + std::to_string(flags));
    if (ShouldFail("MoveFileExA")) return Fail(kErrorAccessDenied, FALSE);
    // The Windows 95 family exports the function but does not implement it.
    if (M().version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return Fail<BOOL>(ERROR_CALL_NOT_IMPLEMENTED, FALSE);
    std::string from = NormalisePath(Text(existing));
    std::string to = newName ? NormalisePath(newName) : std::string();
    if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) {
        // Recorded for the next start; Windows checks nothing else now.
        AppendPendingOperation(from, to, (flags & MOVEFILE_REPLACE_EXISTING) != 0);
        return TRUE;
    }
    if (!newName) return Fail(kErrorInvalidParameter, FALSE);
    auto src = M().files.find(from);
    if (src == M().files.end()) return Fail(kErrorFileNotFound, FALSE);
    if (src->second.inUse) return Fail(kErrorSharingViolation, FALSE);
    if (!IsDirectory(ParentOf(to))) return Fail(kErrorPathNotFound, FALSE);
    if (IsDirectory(to)) return Fail(kErrorAccessDenied, FALSE);
    if (FileData* dest = FindFile(to)) {
        if (SameText(from, to)) return TRUE;
        if (!(flags & MOVEFILE_REPLACE_EXISTING)) return Fail(kErrorAlreadyExists, FALSE);
        if (dest->inUse || dest->readOnly) return Fail(kErrorAccessDenied, FALSE);
    }
    FileData moved = src->second;
    M().files.erase(src);
    M().files[to] = moved;
    return TRUE;
}

// The Windows 95 family has only this form; it never replaces an existing file.
BOOL MoveFileA(LPCSTR existing, LPCSTR newName) {
    LogCall("MoveFileA " + Text(existing) + " " + Text(newName));
    if (ShouldFail("MoveFileA")) return Fail(kErrorAccessDenied, FALSE);
    std::string from = NormalisePath(Text(existing));
    std::string to = NormalisePath(Text(newName));
    auto src = M().files.find(from);
    if (src == M().files.end()) return Fail(kErrorFileNotFound, FALSE);
    if (src->second.inUse) return Fail(kErrorSharingViolation, FALSE);
    if (to.empty() || !IsDirectory(ParentOf(to))) return Fail(kErrorPathNotFound, FALSE);
    if (FindFile(to) || IsDirectory(to)) return Fail(kErrorAlreadyExists, FALSE);
    FileData moved = src->second;
    M().files.erase(src);
    M().files[to] = moved;
    return TRUE;
}

// Files held open by a handle. A file in use by another program (inUse) cannot be
// opened; a read-only one cannot be opened for writing.
HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD, HANDLE) {
    LogCall("CreateFileA " + Text(path) + " " + std::to_string(disposition));
    if (ShouldFail("CreateFileA")) return Fail(kErrorAccessDenied, INVALID_HANDLE_VALUE);
    std::string p = NormalisePath(Text(path));
    if (p.empty() || !IsDirectory(ParentOf(p))) return Fail(kErrorPathNotFound, INVALID_HANDLE_VALUE);
    if (IsDirectory(p)) return Fail(kErrorAccessDenied, INVALID_HANDLE_VALUE);
    bool canWrite = (access & GENERIC_WRITE) != 0;
    FileData* data = FindFile(p);
    if (data && data->inUse) return Fail(kErrorSharingViolation, INVALID_HANDLE_VALUE);
    if (data && data->readOnly && canWrite) return Fail(kErrorAccessDenied, INVALID_HANDLE_VALUE);
    if (!data && disposition == OPEN_EXISTING) return Fail(kErrorFileNotFound, INVALID_HANDLE_VALUE);
    if (!data || disposition == CREATE_ALWAYS) M().files[p] = FileData{};
    HANDLE handle = OpenNewHandle();
    M().openFiles[handle] = Machine::OpenFile{p, canWrite, 0};
    return handle;
}

namespace {
// The file behind a handle, or nullptr (then the handle is not a file's).
Machine::OpenFile* OpenFileOf(HANDLE handle) {
    auto it = M().openFiles.find(handle);
    return it == M().openFiles.end() ? nullptr : &it->second;
}
}  // namespace

BOOL ReadFile(HANDLE file, LPVOID out, DWORD size, LPDWORD read, LPVOID) {
    LogCall("ReadFile");
    if (read) *read = 0;
    if (ShouldFail("ReadFile")) return Fail(kErrorAccessDenied, FALSE);
    Machine::OpenFile* open = OpenFileOf(file);
    FileData* data = open ? FindFile(open->path) : nullptr;
    if (data == nullptr) return Fail(kErrorInvalidHandle, FALSE);
    size_t available = data->content.size() > open->position ? data->content.size() - open->position : 0;
    size_t n = size < available ? size : available;
    if (n) memcpy(out, data->content.data() + open->position, n);
    open->position += n;
    if (read) *read = static_cast<DWORD>(n);
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written, LPVOID) {
    // The first line of what is written: the plan reads the boxes of an unattended run
    // from its trace.
    std::string text(static_cast<const char*>(bytes), size);
    LogCall("WriteFile " + text.substr(0, text.find_first_of("\r\n")));
    if (written) *written = 0;
    if (ShouldFail("WriteFile")) return Fail<BOOL>(112 /* ERROR_DISK_FULL */, FALSE);
    Machine::OpenFile* open = OpenFileOf(file);
    FileData* data = open ? FindFile(open->path) : nullptr;
    if (data == nullptr) return Fail(kErrorInvalidHandle, FALSE);
    if (!open->canWrite) return Fail(kErrorAccessDenied, FALSE);
    if (data->content.size() < open->position) data->content.resize(open->position, '\0');
    data->content.replace(open->position, size, static_cast<const char*>(bytes), size);
    open->position += size;
    M().bytesWritten += size;
    if (written) *written = size;
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    LogCall("SetFilePointer " + std::to_string(distance) + " " + std::to_string(method));
    if (ShouldFail("SetFilePointer")) return Fail(kErrorAccessDenied, INVALID_SET_FILE_POINTER);
    Machine::OpenFile* open = OpenFileOf(file);
    FileData* data = open ? FindFile(open->path) : nullptr;
    if (data == nullptr) return Fail(kErrorInvalidHandle, INVALID_SET_FILE_POINTER);
    long long base = method == FILE_END     ? static_cast<long long>(data->content.size())
                     : method == FILE_BEGIN ? 0
                                            : static_cast<long long>(open->position);
    long long target = base + distance;
    if (target < 0) return Fail(131 /* ERROR_NEGATIVE_SEEK */, INVALID_SET_FILE_POINTER);
    open->position = static_cast<size_t>(target);
    if (distanceHigh) *distanceHigh = 0;
    return static_cast<DWORD>(target);
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
    LogCall("GetFileSize");
    if (ShouldFail("GetFileSize")) return Fail(kErrorAccessDenied, INVALID_FILE_SIZE);
    Machine::OpenFile* open = OpenFileOf(file);
    FileData* data = open ? FindFile(open->path) : nullptr;
    if (data == nullptr) return Fail(kErrorInvalidHandle, INVALID_FILE_SIZE);
    if (sizeHigh) *sizeHigh = 0;
    return static_cast<DWORD>(data->content.size());
}

// The machine has no cache between the files and the disk.
BOOL FlushFileBuffers(HANDLE file) {
    LogCall("FlushFileBuffers");
    if (ShouldFail("FlushFileBuffers")) return Fail(kErrorAccessDenied, FALSE);
    return OpenFileOf(file) ? TRUE : Fail(kErrorInvalidHandle, FALSE);
}

namespace {
// Whether a name is already a valid 8.3 name (in any case), which Windows keeps as its
// own short name.
bool IsShortName(const std::string& name) {
    size_t dot = name.find('.');
    std::string base = name.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3 || ext.find('.') != std::string::npos) return false;
    for (char c : name)
        if (c == ' ' || c == '+' || c == ',' || c == ';' || c == '=' || c == '[' || c == ']') return false;
    return true;
}

// The first generated short form: first six usable characters in capitals, "~1",
// the first three characters of the extension.
std::string GeneratedShortName(const std::string& name) {
    if (IsShortName(name)) return name;
    size_t dot = name.rfind('.');
    std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    auto clean = [](const std::string& s, size_t n) {
        std::string r;
        for (char c : s) {
            if (c == ' ' || c == '.') continue;
            if (c == '+' || c == ',' || c == ';' || c == '=' || c == '[' || c == ']') c = '_';
            r += c;
            if (r.size() == n) break;
        }
        return Upper(r);
    };
    std::string shortName = clean(base, 6) + "~1";
    std::string shortExt = clean(ext, 3);
    if (!shortExt.empty()) shortName += "." + shortExt;
    return shortName;
}
}  // namespace

DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size) {
    LogCall("GetShortPathNameA " + Text(longPath));
    if (ShouldFail("GetShortPathNameA")) return Fail<DWORD>(kErrorAccessDenied, 0);
    if (!longPath) return Fail<DWORD>(kErrorInvalidParameter, 0);
    std::string p = NormalisePath(longPath);
    if (!FindFile(p) && !IsDirectory(p)) return Fail<DWORD>(kErrorFileNotFound, 0);
    // Walk the components; a configured short form of a prefix replaces what was built.
    std::string longSoFar = p.substr(0, 3);
    std::string result = longSoFar;
    size_t start = 3;
    while (start < p.size()) {
        size_t end = p.find('\\', start);
        if (end == std::string::npos) end = p.size();
        std::string part = p.substr(start, end - start);
        longSoFar = JoinMachinePath(longSoFar, part);
        auto mapped = M().shortNames.find(longSoFar);
        if (mapped != M().shortNames.end())
            result = mapped->second;
        else
            result = (result.back() == '\\' ? result : result + "\\") + GeneratedShortName(part);
        start = end + 1;
    }
    return CopyOrNeed(result, shortPath, size);
}

namespace {
// An entry's short name: the last part of its configured short path, or the first
// generated form.
std::string ShortLeafOf(const std::string& stored) {
    auto mapped = M().shortNames.find(stored);
    return mapped != M().shortNames.end() ? LeafOf(mapped->second) : GeneratedShortName(LeafOf(stored));
}

// The child of a stored directory that a name means: its long name first, then its
// short one.
std::string StoredChildOf(const std::string& directory, const std::string& name) {
    std::string path = JoinMachinePath(directory, name);
    auto dir = M().directories.find(path);
    if (dir != M().directories.end()) return *dir;
    auto file = M().files.find(path);
    if (file != M().files.end()) return file->first;
    for (const std::string& entry : M().directories)
        if (SameText(ParentOf(entry), directory) && SameText(ShortLeafOf(entry), name)) return entry;
    for (const auto& entry : M().files)
        if (SameText(ParentOf(entry.first), directory) && SameText(ShortLeafOf(entry.first), name)) return entry.first;
    return "";
}

void CopyName(char* out, size_t size, const std::string& name) {
    snprintf(out, size, "%s", name.c_str());
}
}  // namespace

std::string machine::StoredPathOf(const std::string& path) {
    std::string p = NormalisePath(path);
    if (!HasDrive(p)) return "";
    auto root = M().directories.find(p.substr(0, 3));
    if (root == M().directories.end()) return "";
    std::string stored = *root;
    for (size_t start = 3; start < p.size() && !stored.empty();) {
        size_t end = p.find('\\', start);
        if (end == std::string::npos) end = p.size();
        // Windows trims a part's final dots and blanks before it looks.
        std::string part = p.substr(start, end - start);
        while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
        stored = part.empty() ? "" : StoredChildOf(stored, part);
        start = end + 1;
    }
    return stored;
}

// One name, given by its long or its short name; the machine matches no patterns.
HANDLE FindFirstFileA(LPCSTR name, LPWIN32_FIND_DATAA found) {
    LogCall("FindFirstFileA " + Text(name));
    if (ShouldFail("FindFirstFileA")) return Fail(kErrorAccessDenied, INVALID_HANDLE_VALUE);
    std::string p = Text(name);
    if (found == nullptr || p.find_first_of("*?") != std::string::npos)
        return Fail(kErrorInvalidName, INVALID_HANDLE_VALUE);
    std::string stored = StoredPathOf(p);
    if (stored.empty() || IsDriveRoot(stored))
        return Fail(StoredPathOf(ParentOf(NormalisePath(p))).empty() ? kErrorPathNotFound : kErrorFileNotFound,
                    INVALID_HANDLE_VALUE);
    memset(found, 0, sizeof *found);
    const FileData* file = FindFile(stored);
    if (file == nullptr)
        found->dwFileAttributes =
            FILE_ATTRIBUTE_DIRECTORY | (M().reparsePoints.count(stored) ? FILE_ATTRIBUTE_REPARSE_POINT : 0);
    else
        found->dwFileAttributes = 0x20 /* archive */ | (file->readOnly ? FILE_ATTRIBUTE_READONLY : 0);
    found->nFileSizeLow = file == nullptr ? 0 : static_cast<DWORD>(file->content.size());
    std::string leaf = LeafOf(stored), shortLeaf = ShortLeafOf(stored);
    CopyName(found->cFileName, sizeof found->cFileName, leaf);
    // A name that is its own short name has no second one.
    if (shortLeaf != leaf) CopyName(found->cAlternateFileName, sizeof found->cAlternateFileName, shortLeaf);
    HANDLE search = OpenNewHandle();
    M().openSearches.insert(search);
    return search;
}

BOOL FindClose(HANDLE search) {
    LogCall("FindClose");
    if (ShouldFail("FindClose")) return Fail(kErrorInvalidHandle, FALSE);
    if (!M().openSearches.erase(search)) return Fail(kErrorInvalidHandle, FALSE);
    M().openHandles.erase(search);
    return TRUE;
}

// As Wine does it: every part must exist; a part that is a valid 8.3 name becomes the
// stored name, a longer one stays as written; separators and "." parts are kept.
DWORD machine::KernelGetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD size) {
    LogCall("GetLongPathNameA " + Text(shortPath));
    if (ShouldFail("GetLongPathNameA")) return Fail<DWORD>(kErrorAccessDenied, 0);
    if (shortPath == nullptr) return Fail<DWORD>(kErrorInvalidParameter, 0);
    std::string given = shortPath;
    if (given.empty()) return Fail<DWORD>(kErrorPathNotFound, 0);
    if (given.find_first_of("*?") != std::string::npos) return Fail<DWORD>(kErrorInvalidName, 0);
    bool unc = given.size() >= 2 && given[0] == '\\' && given[1] == '\\';
    if (unc) return CopyOrNeed(given, longPath, size);
    std::string result = HasDrive(given) ? given.substr(0, 2) : "";
    for (size_t at = result.size(); at < given.size();) {
        if (given[at] == '\\' || given[at] == '/') {
            result += given[at++];
            continue;
        }
        size_t end = given.find_first_of("\\/", at);
        if (end == std::string::npos) end = given.size();
        std::string part = given.substr(at, end - at);
        if (part != "." && part != "..") {
            std::string stored = StoredPathOf(given.substr(0, end));
            if (stored.empty()) return Fail<DWORD>(kErrorFileNotFound, 0);
            if (IsShortName(part)) part = LeafOf(stored);
        }
        result += part;
        at = end;
    }
    return CopyOrNeed(result, longPath, size);
}

DWORD GetFileAttributesA(LPCSTR path) {
    LogCall("GetFileAttributesA " + Text(path));
    if (ShouldFail("GetFileAttributesA")) return Fail(kErrorAccessDenied, INVALID_FILE_ATTRIBUTES);
    if (IsDirectory(Text(path)))
        return FILE_ATTRIBUTE_DIRECTORY |
               (M().reparsePoints.count(NormalisePath(Text(path))) ? FILE_ATTRIBUTE_REPARSE_POINT : 0);
    if (FileData* f = FindFile(Text(path))) return 0x20 /* archive */ | (f->readOnly ? FILE_ATTRIBUTE_READONLY : 0);
    return Fail(kErrorFileNotFound, INVALID_FILE_ATTRIBUTES);
}

BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) {
    LogCall("SetFileAttributesA " + Text(path) + " " + std::to_string(attributes));
    if (ShouldFail("SetFileAttributesA")) return Fail(kErrorAccessDenied, FALSE);
    if (IsDirectory(Text(path))) return TRUE;
    FileData* f = FindFile(Text(path));
    if (!f) return Fail(kErrorFileNotFound, FALSE);
    f->readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR path) {
    LogCall("RemoveDirectoryA " + Text(path));
    if (ShouldFail("RemoveDirectoryA")) return Fail(kErrorAccessDenied, FALSE);
    std::string p = NormalisePath(Text(path));
    if (!IsDirectory(p)) return Fail(FindFile(p) ? 267 /* ERROR_DIRECTORY */ : kErrorFileNotFound, FALSE);
    for (const auto& file : M().files)
        if (SameText(ParentOf(file.first), p)) return Fail<BOOL>(145 /* ERROR_DIR_NOT_EMPTY */, FALSE);
    for (const std::string& dir : M().directories)
        if (!SameText(dir, p) && SameText(ParentOf(dir), p)) return Fail<BOOL>(145, FALSE);
    M().directories.erase(p);
    return TRUE;
}

DWORD GetTempPathA(DWORD size, LPSTR out) {
    LogCall("GetTempPathA");
    if (ShouldFail("GetTempPathA")) return Fail<DWORD>(kErrorAccessDenied, 0);
    std::string dir = M().tempDirectory;
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    return CopyOrNeed(dir, out, size);
}

// Creates an empty file "<prefix up to 3 characters><hex number>.TMP" that did not
// exist before and returns its number.
UINT GetTempFileNameA(LPCSTR directory, LPCSTR prefix, UINT unique, LPSTR out) {
    LogCall("GetTempFileNameA " + Text(directory) + " " + Text(prefix));
    if (ShouldFail("GetTempFileNameA")) return Fail<UINT>(kErrorAccessDenied, 0);
    std::string dir = NormalisePath(Text(directory));
    if (!IsDirectory(dir)) return Fail<UINT>(kErrorPathNotFound, 0);
    std::string pre = Text(prefix).substr(0, 3);
    for (UINT n = unique ? unique : 1; n < 0x10000; ++n) {
        char hex[8];
        snprintf(hex, sizeof hex, "%X", n);
        std::string name = JoinMachinePath(dir, pre + hex + ".TMP");
        if (FindFile(name)) {
            if (unique) break;
            continue;
        }
        if (!unique) M().files[name] = FileData{};
        strcpy(out, name.c_str());
        return n;
    }
    return Fail<UINT>(kErrorFileExists, 0);
}

DWORD GetLastError() {
    return M().lastError;
}

