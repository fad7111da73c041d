// The readers of files on a medium, which come from anywhere: the version resource and
// exports of PE files and the "SZDD" compressed format. A damaged or hostile file reads
// as "no version", "not a module" or "damaged", never as a crash; and what the readers
// say about one file agrees with itself.
#include <string.h>

#include <string>

#include "fuzz_support.h"
#include "setupcheck/pe_file.h"

namespace {

// The names the plan asks about, and one that is a prefix of another.
const char* const kExportNames[] = {"DllRegisterServer", "DllUnregisterServer", "DllRegister", ""};

void ReadImage(const std::string& bytes) {
    bool module = IsPeModule(bytes);
    uint64_t version = ReadFileVersion(bytes);
    // Both readers walk the same headers: neither finds anything in a file that is no module.
    FUZZ_CHECK(module || version == 0);
    for (const char* name : kExportNames) {
        bool exported = ExportsFunction(bytes, name);
        FUZZ_CHECK(module || !exported);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    ReadImage(bytes);
    std::string expanded;
    if (ExpandSzddFile(bytes, expanded)) {
        FUZZ_CHECK(IsSzddFile(bytes));
        // The header's size is the size of what comes out, exactly.
        uint32_t declared = 0;
        memcpy(&declared, bytes.data() + 10, 4);
        FUZZ_CHECK(expanded.size() == declared);
        // The plan reads the version and exports of the file a compressed source expands to.
        ReadImage(expanded);
    }
    return 0;
}
