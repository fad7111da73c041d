// Functions of system DLLs looked up at first use: by full path from the system
// directory, once, and all or nothing.
#include "platform/win32/system_library.h"

#include <gtest/gtest.h>

#include "fake/fake_machine.h"

namespace {

using fake::M;

using ComponentFunction = HRESULT(WINAPI*)();

class SystemLibraryLoad : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
    FARPROC addresses[2] = {};
    int state = 0;
};

TEST_F(SystemLibraryLoad, DllIsTakenFromTheSystemDirectoryOnceAndItsFunctionCalled) {
    int calls = 0;
    M().components["C:\\WINDOWS\\SYSTEM\\probe.dll"].onRegister = [&calls] { ++calls; };
    // A DLL of the same name beside SETUP.EXE is never looked at.
    M().components["C:\\MEDIA\\probe.dll"].exportsRegisterServer = false;
    const SystemLibrary library = {"probe.dll", "DllRegisterServer\0", addresses, &state};
    ASSERT_EQ(LoadSystemFunctions(library), 1);
    EXPECT_EQ(SYSTEM_FUNCTION(ComponentFunction, addresses[0])(), 0);
    EXPECT_EQ(LoadSystemFunctions(library), 1);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(fake::CallsStartingWith("LoadLibraryA"),
              std::vector<std::string>{"LoadLibraryA C:\\WINDOWS\\SYSTEM\\probe.dll"});
}

TEST_F(SystemLibraryLoad, OneMissingFunctionOrAMissingDllGivesZeroWithoutASecondTry) {
    M().components["C:\\WINDOWS\\SYSTEM\\probe.dll"].exportsUnregisterServer = false;
    const SystemLibrary partial = {"probe.dll", "DllRegisterServer\0DllUnregisterServer\0", addresses, &state};
    EXPECT_EQ(LoadSystemFunctions(partial), 0);
    EXPECT_EQ(LoadSystemFunctions(partial), 0);
    EXPECT_NE(addresses[0], nullptr);
    EXPECT_EQ(addresses[1], nullptr);

    int missingState = 0;
    FARPROC missingAddress[1] = {};
    const SystemLibrary missing = {"absent.dll", "DllRegisterServer\0", missingAddress, &missingState};
    EXPECT_EQ(LoadSystemFunctions(missing), 0);
    EXPECT_EQ(LoadSystemFunctions(missing), 0);
    EXPECT_EQ(missingAddress[0], nullptr);
    EXPECT_EQ(fake::CountCalls("LoadLibraryA"), 2);
}

}  // namespace
