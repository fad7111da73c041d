#include "uninst/self_copy.h"

#include "setup/setup_context.h"
#include "ui/messages.h"
#include "uninst/deletion_staging.h"
#include "uninst/uninst_state.h"

namespace {
// The original only shows its closing box and ends; if it does not, the copy goes
// on and leaves the original's file for a later run.
constexpr DWORD kOriginalWaitMilliseconds = 120000;

using CopyCommandText = FixedText<4 * kPathChars + 56>;
}  // namespace

int HandOverToTemporaryCopy(int levels) {
    PathText directory;
    DWORD n = GetTempPathA(PathText::Capacity, directory.data());
    if (n == 0 || n >= PathText::Capacity) return 0;
    PathText copy;
    if (GetTempFileNameA(directory.c_str(), "UNI", 0, copy.data()) == 0) return 0;
    if (!CopyFileA(g_Uninst.ModulePath.c_str(), copy.c_str(), FALSE)) {
        DeleteFileA(copy.c_str());
        return 0;
    }
    // The copy cannot delete itself either: it goes at the next start.
    StageDeletionAtRestart(copy.c_str());

    // The copy works in the temporary directory: a current directory cannot be removed.
    // It waits on this process; the handle reaches it by inheritance.
    HANDLE self = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, SYNCHRONIZE, TRUE, 0))
        return 0;
    CopyCommandText command;
    // It is told this file and how many directories above it the product made: the
    // log is gone by then. A command cut short would name another file: not started.
    // The trace goes on in the same file ("/LOG:" alone asks for none), so that the whole
    // removal is in one place; a relative name would mean a file in the temporary directory.
    const char* trace = g_Uninst.TracePath;
    if (!IsFullPath(std::string_view(trace, TextLength(trace)))) trace = "";
    bool formed = FormatText(command, "\"%s\" /S /W %lu \"%s\" %u \"/LOG:%s\"", copy.c_str(),
                             static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(self)), g_Uninst.ModulePath.c_str(),
                             static_cast<unsigned>(levels), trace);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    BOOL started = formed && CreateProcessA(copy.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                            directory.c_str(), &startup, &process);
    CloseHandle(self);
    if (!started) return 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}

void WaitForOriginalToEnd(HANDLE original) {
    WaitForSingleObject(original, kOriginalWaitMilliseconds);
    CloseHandle(original);
}
