// One version-checked copy: SRCFILE in SRCDIR becomes TARGETFILE in TARGETDIR.
#include "actions/file_install.h"
#include "actions/file_staging.h"
#include "actions/shared_count.h"
#include "setup/setup_context.h"
#include "ui/messages.h"
#include "ui/run_trace.h"
#include "uninstlog/uninstall_log.h"

namespace {
constexpr DWORD kOlderSource = VIF_MISMATCH | VIF_SRCOLD;
constexpr DWORD kInUse = VIF_FILEINUSE | VIF_ACCESSVIOLATION | VIF_SHARINGVIOLATION;
// A staged replacement also settles the old file that could not be deleted or renamed.
constexpr DWORD kSettledByStaging = kInUse | VIF_CANNOTDELETE | VIF_CANNOTRENAME;

// IDS_SOURCE_OLDER with a source name of 259 characters does not fit a 256-byte buffer.
using QuestionText = FixedText<MessageText::Capacity + kPathChars>;

// The version service's output buffers, each given with its full length.
struct VersionBuffers {
    PathText CurrentDir;
    PathText RecommendedDir;
    PathText TempName;
};

// Whether CreateDirectoryA was already given `directory` in this run (compared without
// case, as Windows names directories).
bool WasDirectoryTried(const PathText& directory) {
    for (const PathText& tried : g_Setup.TriedDirs)
        if (!tried.empty() && EqualsIgnoreCase(tried.view(), directory.view())) return true;
    return false;
}

bool UserKeepsExistingFile() {
    QuestionText text;
    text.Clear();
    ComposeCatalogueText(text, IDS_SOURCE_OLDER, g_Setup.SRCFILE.c_str());
    return ShowMessageBox(text.c_str(), g_Setup.PRODUCTNAME.c_str(), MB_YESNO | MB_ICONQUESTION) != IDNO;
}

void ReportCopyError(DWORD bits) {
    CopyErrorText text;
    text.Clear();
    ComposeCopyErrorText(bits, text);
    MessageText caption;
    LoadCatalogueText(IDS_CAPTION_COPY_ERROR, caption);
    ShowMessageBox(text.c_str(), caption.c_str(), MB_OK);
}

DWORD InstallFromSource(VersionBuffers& buffers) {
    UINT currentLength = PathText::Capacity;
    UINT recommendedLength = PathText::Capacity;
    UINT tempLength = PathText::Capacity;
    // Only the current directory is used: the file always goes to TARGETDIR.
    VerFindFileA(0, g_Setup.SRCFILE.data(), g_Setup.WINDIR.data(), g_Setup.TARGETDIR.data(), buffers.CurrentDir.data(),
                 &currentLength, buffers.RecommendedDir.data(), &recommendedLength);
    buffers.CurrentDir.Terminate();
    DWORD bits =
        VerInstallFileA(VIFF_DONTDELETEOLD, g_Setup.SRCFILE.data(), g_Setup.TARGETFILE.data(), g_Setup.SRCDIR.data(),
                        g_Setup.TARGETDIR.data(), buffers.CurrentDir.data(), buffers.TempName.data(), &tempLength);
    buffers.TempName.Terminate();
    return bits;
}

// The user wants the older file: the temporary copy that the first call left is
// installed over the file present.
DWORD InstallTemporaryCopyByForce(VersionBuffers& buffers) {
    PathText olderCopy = buffers.TempName;
    buffers.TempName.Clear();
    UINT tempLength = PathText::Capacity;
    DWORD bits =
        VerInstallFileA(VIFF_FORCEINSTALL, olderCopy.data(), g_Setup.TARGETFILE.data(), g_Setup.TARGETDIR.data(),
                        g_Setup.TARGETDIR.data(), buffers.CurrentDir.data(), buffers.TempName.data(), &tempLength);
    buffers.TempName.Terminate();
    // Windows consumes the copy it is given; Wine copies it once more and leaves it.
    if (!EqualsIgnoreCase(olderCopy.view(), buffers.TempName.view())) DeleteTemporaryCopy(olderCopy);
    return bits;
}
// The temporary copy, where the service left one, is the source expanded: it is
// staged in preference to the source itself.
int StageNewFile(const VersionBuffers& buffers, DWORD bits, const PathText& destination) {
    PathText expandedCopy;
    bool haveCopy = (bits & VIF_TEMPFILE) != 0 && !buffers.TempName.empty() &&
                    JoinPath(expandedCopy, g_Setup.TARGETDIR.view(), buffers.TempName.view());
    return StageReplacement(haveCopy ? &expandedCopy : nullptr, destination);
}
void TraceFile(const char* source, const char* destination, const char* outcome, DWORD bits) {
    TraceEvent("file %s -> %s: %s (%x)", source, destination, outcome, bits);
}
}  // namespace

int InstallCurrentFile(int sharedFile) {
    // A path that does not fit is refused, never cut: a cut path names another file.
    PathText source;
    PathText destination;
    if (!JoinPath(source, g_Setup.SRCDIR.view(), g_Setup.SRCFILE.view())) {
        TraceFile(g_Setup.SRCFILE.c_str(), g_Setup.TARGETFILE.c_str(), "failed", VIF_CANNOTREADSRC);
        ReportCopyError(VIF_CANNOTREADSRC);
        return 0;
    }
    // A directory that is empty or not a full path would put the file below whatever
    // drive or directory is current, often the medium itself.
    if (!IsFullPath(g_Setup.TARGETDIR.view()) ||
        !JoinPath(destination, g_Setup.TARGETDIR.view(), g_Setup.TARGETFILE.view())) {
        TraceFile(source.c_str(), g_Setup.TARGETFILE.c_str(), "failed", VIF_CANNOTCREATE);
        ReportCopyError(VIF_CANNOTCREATE);
        return 0;
    }

    // Only the last level is created, once for each directory in a run; the version
    // service reports what is missing. What this setup made is the product's to remove
    // again, so it is logged before anything goes into it.
    if (!WasDirectoryTried(g_Setup.TARGETDIR)) {
        g_Setup.TriedDirs[g_Setup.NextTriedDir++ % kTriedDirCount] = g_Setup.TARGETDIR;
        if (CreateDirectoryA(g_Setup.TARGETDIR.c_str(), nullptr)) LogCreatedDirectory(g_Setup.TARGETDIR.c_str());
    }

    // Only the trace and a shared file's count tell a new file from a replaced one:
    // without them the question is not asked.
    const char* outcome = "new";
    bool existed = (g_Setup.TraceFile != nullptr || sharedFile) &&
                   GetFileAttributesA(destination.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (existed) outcome = "replaced";

    VersionBuffers buffers{};
    DWORD bits = InstallFromSource(buffers);
    DWORD serviceBits = bits;

    bool kept = false;
    if ((bits & kOlderSource) == kOlderSource) {
        if (UserKeepsExistingFile()) {
            kept = true;
            bits &= ~kOlderSource;
            outcome = "kept";
        } else {
            bits = InstallTemporaryCopyByForce(buffers);
        }
    }

    if ((bits & kInUse) != 0 && StageNewFile(buffers, bits, destination)) {
        bits &= ~kSettledByStaging;
        outcome = "staged";
    }

    if (bits & VIF_TEMPFILE) {
        DeleteTemporaryCopy(buffers.TempName);
        bits &= ~static_cast<DWORD>(VIF_TEMPFILE);
    }

    if (bits != 0) {
        TraceFile(source.c_str(), destination.c_str(), "failed", serviceBits);
        ReportCopyError(bits);
        return 0;
    }
    TraceFile(source.c_str(), destination.c_str(), outcome, serviceBits);
    // The newer file kept is another product's: the remover must leave it.
    if (kept) LogKeptFile(destination.c_str());
    // Kept or installed, the product uses the file now; counted before its own entry,
    // so that a cut between the two never leaves it logged as the product's alone.
    if (sharedFile) CountSharedFile(destination, existed);
    LogInstalledFile(destination.c_str());
    return 1;
}
