#include "setupcheck/core_answers.h"

#include "machine/machine.h"
#include "script/macros.h"
#include "script/script_names.h"
#include "setup/setup_context.h"
#include "setupcheck/described_windows.h"

namespace {

// Long enough for any expansion of a value the profile functions can give.
constexpr size_t kWholeExpansion = static_cast<size_t>(-1) / 4;

void CollectEnvironmentNames(size_t firstCall, std::vector<std::string>& names) {
    static constexpr std::string_view kLookUp = "GetEnvironmentVariableA ";
    const std::vector<std::string>& calls = machine::M().calls;
    for (size_t i = firstCall; i < calls.size(); ++i) {
        std::string_view call = calls[i];
        if (call.substr(0, kLookUp.size()) != kLookUp) continue;
        std::string name(call.substr(kLookUp.size()));
        bool seen = false;
        for (const std::string& n : names) seen = seen || EqualsIgnoreCase(n, name);
        if (!seen) names.push_back(name);
    }
}

std::string ExpandWhole(std::string_view text, size_t limit, bool& fits) {
    char* block = nullptr;
    fits = ExpandMacrosToBlock(text, limit, &block) != 0;
    if (!fits) ExpandMacrosToBlock(text, kWholeExpansion, &block);
    std::string result = block != nullptr ? block : "";
    if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
    return result;
}

}  // namespace

void PrepareCoreForCheck(const CheckMachine& description, const std::string& scriptText) {
    machine::Reset();
    machine::Machine& m = machine::M();
    DescribeWindows("nt4", description.WindowsDir, description.SystemDir);
    m.environment.clear();
    machine::MakeDirectory(description.SourceDir);
    m.moduleFileName = description.SourceDir + "SETUP.EXE";
    m.currentDirectory = description.SourceDir;
    // The start-up fills the directories and the script's path; with no script there
    // yet it stops before the environment phase and the log.
    InitSetupContext(ScriptName::SetupFile);
    machine::WriteFile(g_Setup.INFFILE.c_str(), scriptText);
    ReadProductName(g_Setup.PRODUCTNAME.data(), decltype(g_Setup.PRODUCTNAME)::Capacity);
}

CoreExpansion ExpandWithCore(std::string_view text, size_t limit) {
    size_t firstCall = machine::M().calls.size();
    CoreExpansion out;
    out.Text = ExpandWhole(text, limit, out.Fits);
    CollectEnvironmentNames(firstCall, out.EnvironmentNames);
    return out;
}

bool ExpansionUsesTargetDir(std::string_view text) {
    bool fits = false;
    PathText saved = g_Setup.TARGETDIR;
    std::string now = ExpandWhole(text, kWholeExpansion, fits);
    g_Setup.TARGETDIR.Assign(saved.view() == "?" ? "!" : "?");
    std::string other = ExpandWhole(text, kWholeExpansion, fits);
    g_Setup.TARGETDIR = saved;
    return now != other;
}
