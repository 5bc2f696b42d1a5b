// The files part of a machine: its defaults and its own tree.
#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <string>
#include <vector>

TEST(FilesDefaults, FreshMachineHasWindowsFolders) {
    winsim::Machine m;
    EXPECT_TRUE(m.IsFolder("C:\\Windows\\System32"));
    EXPECT_TRUE(m.IsFolder("c:\\windows\\temp"));
    EXPECT_EQ(m.currentFolder, "C:\\");
    EXPECT_EQ(GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_FIXED));
}

TEST(FilesDefaults, EachMachineAnswersForItsOwnFiles) {
    winsim::Machine outer;
    outer.AddFile("C:\\Outer.txt", "outer");
    winsim::Machine inner;  // the current machine from here on
    inner.AddFile("C:\\Inner.txt", "inner");
    EXPECT_TRUE(outer.Exists("C:\\Outer.txt"));
    EXPECT_FALSE(outer.Exists("C:\\Inner.txt"));
    EXPECT_EQ("outer", outer.Content("C:\\Outer.txt"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\Outer.txt"));
    EXPECT_EQ((std::vector<std::string>{"Windows", "Inner.txt"}), inner.List("C:\\"));
}
