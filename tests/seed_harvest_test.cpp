// Not a test: when SETUP_HARVEST_SCRIPTS names a folder, the setup script each test
// left on the fake machine is written there when the test ends. The whole-run fuzz
// target takes them as seeds (fuzz/make_seeds.py --scripts FOLDER).
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "fake/fake_machine.h"

namespace {

class ScriptHarvester : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& test) override {
        const char* folder = getenv("SETUP_HARVEST_SCRIPTS");
        if (folder == nullptr || *folder == '\0') return;
        std::optional<std::string> script = fake::ReadFile(fake::ScriptPath());
        if (!script || script->empty()) return;
        std::string path = std::string(folder) + "/" + test.test_suite_name() + "." + test.name();
        for (size_t i = strlen(folder) + 1; i < path.size(); ++i)
            if (path[i] == '/') path[i] = '_';  // parameterised names
        if (FILE* file = fopen(path.c_str(), "wb")) {
            fwrite(script->data(), 1, script->size(), file);
            fclose(file);
        }
    }
};

const bool kHarvesterRegistered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new ScriptHarvester);
    return true;
}();

}  // namespace
