// Functions of system DLLs looked up at first use: by full path from the system
// directory, once, and all or nothing.
#include "platform/win32/system_library.h"

#include <gtest/gtest.h>

#include "fake/fake_machine.h"

namespace {

using fake::M;

DECLARE_SYSTEM_FUNCTION(HRESULT, DllRegisterServer, ());
DECLARE_SYSTEM_FUNCTION(HRESULT, DllUnregisterServer, ());

class SystemLibraryLoad : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        DllRegisterServerEntry.Address = nullptr;
        DllUnregisterServerEntry.Address = nullptr;
    }
};

TEST_F(SystemLibraryLoad, DllIsTakenFromTheSystemDirectoryOnceAndItsFunctionCalled) {
    int calls = 0;
    M().components["C:\\WINDOWS\\SYSTEM\\probe.dll"].onRegister = [&calls] { ++calls; };
    // A DLL of the same name beside SETUP.EXE is never looked at.
    M().components["C:\\MEDIA\\probe.dll"].exportsRegisterServer = false;
    SystemFunction* const functions[] = {&DllRegisterServerEntry, nullptr};
    SystemLibrary library = {"probe.dll", functions, 0};
    ASSERT_EQ(LoadSystemFunctions(library), 1);
    EXPECT_EQ(SYSTEM_FUNCTION(DllRegisterServer)(), 0);
    EXPECT_EQ(LoadSystemFunctions(library), 1);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(fake::CallsStartingWith("LoadLibraryA"),
              std::vector<std::string>{"LoadLibraryA C:\\WINDOWS\\SYSTEM\\probe.dll"});
}

TEST_F(SystemLibraryLoad, OneMissingFunctionOrAMissingDllGivesZeroWithoutASecondTry) {
    M().components["C:\\WINDOWS\\SYSTEM\\probe.dll"].exportsUnregisterServer = false;
    SystemFunction* const functions[] = {&DllRegisterServerEntry, &DllUnregisterServerEntry, nullptr};
    SystemLibrary partial = {"probe.dll", functions, 0};
    EXPECT_EQ(LoadSystemFunctions(partial), 0);
    EXPECT_EQ(LoadSystemFunctions(partial), 0);
    EXPECT_EQ(DllUnregisterServerEntry.Address, nullptr);

    SystemFunction* const one[] = {&DllRegisterServerEntry, nullptr};
    SystemLibrary missing = {"absent.dll", one, 0};
    EXPECT_EQ(LoadSystemFunctions(missing), 0);
    EXPECT_EQ(LoadSystemFunctions(missing), 0);
    EXPECT_EQ(DllRegisterServerEntry.Address, nullptr);
    EXPECT_EQ(fake::CountCalls("LoadLibraryA"), 2);
}

}  // namespace
