// A first look at the simulated file system: the default machine.
#include <gtest/gtest.h>
#include <winsim/Machine.h>

TEST(FilesDefaults, FreshMachineHasWindowsFolders) {
    winsim::Machine m;
    EXPECT_TRUE(m.IsFolder("C:\\Windows\\System32"));
    EXPECT_TRUE(m.IsFolder("c:\\windows\\temp"));
    EXPECT_EQ(m.currentFolder, "C:\\");
    EXPECT_EQ(GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_FIXED));
}
