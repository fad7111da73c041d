// The version installation service of version.dll, modelled on what Windows (and
// Wine, where measured) returns for each situation.
#include <stdio.h>
#include <string.h>

#include "fake/fake_internal.h"

namespace {

unsigned g_NextTempNumber = 0xdb41;

// Copies into a caller's buffer of *len characters; false (cut, terminated) when
// it does not fit. *len becomes the size needed, terminator included.
bool CopyOut(const std::string& text, LPSTR out, PUINT len) {
    if (len == nullptr) return false;
    UINT cap = *len;
    *len = static_cast<UINT>(text.size() + 1);
    if (out == nullptr || cap == 0) return false;
    size_t n = text.size() < cap - 1 ? text.size() : cap - 1;
    memcpy(out, text.data(), n);
    out[n] = '\0';
    return n == text.size();
}

// What the service writes for the source at `path`: a compressed one is expanded.
fake::FileData Installed(const fake::FileData& source, const std::string& path) {
    fake::FileData installed = source;
    auto expanded = fake::M().expandedContent.find(path);
    if (expanded != fake::M().expandedContent.end()) installed.content = expanded->second;
    installed.readOnly = installed.inUse = false;
    return installed;
}

// A name for a new temporary copy in `dir`, "verXXXX.tmp" as Windows forms it.
std::string NewTempName(const std::string& dir) {
    for (;;) {
        char name[16];
        snprintf(name, sizeof name, "ver%04x.tmp", g_NextTempNumber++ & 0xffff);
        if (!fake::FindFile(fake::JoinFakePath(dir, name))) return name;
    }
}

}  // namespace

namespace fake {
void ResetVersionService() {
    g_NextTempNumber = 0xdb41;
}
}  // namespace fake

using namespace fake;

DWORD VerFindFileA(DWORD flags, LPSTR fileName, LPSTR winDir, LPSTR appDir, LPSTR curDir, PUINT curDirLen,
                   LPSTR destDir, PUINT destDirLen) {
    LogCall("VerFindFileA " + Text(fileName) + " " + Text(appDir));
    M().verFindFileCalls.push_back(Text(fileName));
    if (ShouldFail("VerFindFileA")) {
        // As for buffers too small to hold anything: empty texts, the sizes needed unknown.
        if (curDir && curDirLen && *curDirLen) curDir[0] = '\0';
        if (destDir && destDirLen && *destDirLen) destDir[0] = '\0';
        return 0x4;  // VFF_BUFFTOOSMALL
    }
    // A shared file belongs in the system directory; any other in the application's.
    std::string dest = (flags & VFFF_ISSHAREDFILE) ? M().systemDirectory : Text(appDir);
    (void)winDir;  // ignored, as Windows does
    std::string current;
    if (!Text(appDir).empty() && FindFile(JoinFakePath(Text(appDir), Text(fileName))))
        current = Text(appDir);
    else if ((flags & VFFF_ISSHAREDFILE) && FindFile(JoinFakePath(M().systemDirectory, Text(fileName))))
        current = M().systemDirectory;
    DWORD result = 0;
    if (!current.empty() && !SameText(NormalisePath(current), NormalisePath(dest))) result |= 0x1;  // VFF_CURNEDEST
    if (!current.empty()) {
        const FileData* f = FindFile(JoinFakePath(current, Text(fileName)));
        if (f && f->inUse) result |= 0x2;  // VFF_FILEINUSE
    }
    if (!CopyOut(current, curDir, curDirLen)) result |= 0x4;
    if (!CopyOut(dest, destDir, destDirLen)) result |= 0x4;
    return result;
}

DWORD VerInstallFileA(DWORD flags, LPSTR srcFileName, LPSTR destFileName, LPSTR srcDir, LPSTR destDir, LPSTR curDir,
                      LPSTR tmpFile, PUINT tmpFileLen) {
    LogCall("VerInstallFileA " + Text(srcFileName) + " " + Text(destFileName));
    VerInstallCall call{flags, Text(srcFileName), Text(destFileName), Text(srcDir), Text(destDir), Text(curDir), 0, ""};
    std::string srcPath = JoinFakePath(call.srcDir, call.srcFile);
    std::string destPath = JoinFakePath(call.destDir, call.destFile);
    DWORD bits = 0;
    std::string tempName;
    // Leaves a copy of the source in the destination directory under `name`.
    auto leaveTempCopy = [&](const std::string& name) {
        FileData copy;
        if (const FileData* src = FindFile(srcPath)) copy = Installed(*src, srcPath);
        M().files[JoinFakePath(call.destDir, name)] = copy;
        tempName = name;
    };

    if (ShouldFail("VerInstallFileA")) {
        bits = VIF_OUTOFMEMORY;
    } else if (!M().verInstallScript.empty()) {
        VerInstallOutcome outcome = M().verInstallScript.front();
        M().verInstallScript.pop_front();
        bits = outcome.bits;
        if (bits & VIF_TEMPFILE) {
            if (IsDirectory(call.destDir)) leaveTempCopy(outcome.tempName);
            tempName = outcome.tempName;
        }
    } else {
        FileData* src = FindFile(srcPath);
        FileData* dest = FindFile(destPath);
        if (!src || src->inUse) {
            bits = VIF_CANNOTREADSRC;
        } else if (!IsDirectory(call.destDir)) {
            bits = VIF_CANNOTCREATE;
        } else if (dest && dest->inUse) {
            bits = VIF_SHARINGVIOLATION | VIF_CANNOTDELETE;  // and no temporary copy
        } else if (dest && dest->readOnly) {
            bits = VIF_WRITEPROT;
        } else if (!(flags & VIFF_FORCEINSTALL) && dest && dest->version != 0 && src->version == 0) {
            bits = VIF_MISMATCH | VIF_SRCOLD;
        } else if (!(flags & VIFF_FORCEINSTALL) && dest && src->version < dest->version) {
            leaveTempCopy(NewTempName(call.destDir));
            bits = VIF_TEMPFILE | VIF_MISMATCH | VIF_SRCOLD;
        } else {
            FileData installed = Installed(*src, srcPath);
            // A temporary copy installed from the destination directory is used up.
            if (SameText(NormalisePath(call.srcDir), NormalisePath(call.destDir)) && !SameText(srcPath, destPath))
                M().files.erase(srcPath);
            M().files[destPath] = installed;
        }
    }

    if (bits & VIF_TEMPFILE) {
        if (!CopyOut(tempName, tmpFile, tmpFileLen)) {
            // The name does not fit: the copy is removed again and not reported.
            M().files.erase(JoinFakePath(call.destDir, tempName));
            bits = (bits & ~static_cast<DWORD>(VIF_TEMPFILE)) | VIF_BUFFTOOSMALL;
            tempName.clear();
        }
    }
    call.result = bits;
    call.tempName = tempName;
    M().verInstallCalls.push_back(call);
    return bits;
}
