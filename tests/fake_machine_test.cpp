// The fake machine's own model of Windows: paths, files and the version service.
#include <gtest/gtest.h>

#include "fake/fake_machine.h"

namespace {

class FakeMachine : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
};

TEST_F(FakeMachine, DoubledBackslashesInsideAPathNameTheSameFile) {
    fake::WriteFile("C:\\APP\\A.DLL", "x");
    EXPECT_TRUE(fake::FileExists("C:\\APP\\\\A.DLL"));
    EXPECT_EQ("c:\\app\\a.dll", fake::NormalisePath("c:/app//a.dll"));
    EXPECT_EQ("C:\\", fake::NormalisePath("C:\\"));
    EXPECT_EQ("C:\\WINDOWS", fake::NormalisePath("C:\\WINDOWS\\"));
}

}  // namespace
