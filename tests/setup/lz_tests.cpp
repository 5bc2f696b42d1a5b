// Copying files through lz32: plain and compressed sources, and every failure.
#include "SetupA.h"
#include "SetupFixture.h"

namespace {

using namespace setuptest;

class LzCopyTest : public SimTest {
protected:
    // The destination is free again: nothing holds it open.
    bool IsClosed(const std::string& path) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        CloseHandle(file);
        return true;
    }
};

TEST_F(LzCopyTest, CopiesPlainAndCompressedSources) {
    std::string binary("MZ\x90\0\x03\0\0\0\xff\xfe", 10);
    for (int i = 0; i < 2000; ++i) binary += static_cast<char>(i * 7 % 256);
    struct Case {
        const char* what;
        std::string stored;    // the source file's bytes
        std::string expected;  // what the destination must hold
        std::string oldDestination;
    } cases[] = {
        {"plain file", "plain program bytes", "plain program bytes", ""},
        {"plain binary with zero bytes", binary, binary, ""},
        {"empty file", "", "", ""},
        {"longer destination is cut", "new", "new", "an old and much longer content"},
        {"compressed text", Compress("hello hello hello hello world"),
         "hello hello hello hello world", ""},
        {"compressed binary", Compress(binary), binary, "old"},
    };
    const bool compressor = HaveCompressor();
    for (const Case& c : cases) {
        if (!compressor && std::string(c.what).find("compressed") == 0) continue;
        winsim::Machine fresh;
        fresh.AddFile("C:\\Medium\\Kest.Ex_", c.stored);
        if (!c.oldDestination.empty()) fresh.AddFile("C:\\Temp\\Kest.Exe", c.oldDestination);
        fresh.AddFolder("C:\\Temp");
        EXPECT_TRUE(LzCopyFile("C:\\Medium\\Kest.Ex_", "C:\\Temp\\Kest.Exe")) << c.what;
        EXPECT_EQ(fresh.Content("C:\\Temp\\Kest.Exe"), c.expected) << c.what;
        EXPECT_EQ(fresh.Content("C:\\Medium\\Kest.Ex_"), c.stored) << c.what;
        EXPECT_TRUE(fresh.boxes.empty()) << c.what;
        EXPECT_TRUE(IsClosed("C:\\Temp\\Kest.Exe")) << c.what;
        EXPECT_TRUE(IsClosed("C:\\Medium\\Kest.Ex_")) << c.what;
    }
    if (!compressor) GTEST_SKIP() << "mscompress is missing: compressed cases not run";
}

TEST_F(LzCopyTest, ReportsEachFailureInItsOwnWords) {
    struct Case {
        const char* what;
        bool sourceThere;
        bool destinationFolderThere;
        bool destinationInUse;
        std::string box;
    } cases[] = {
        {"missing source", false, true, false,
         "CopyFile | Error opening source file \"C:\\Medium\\Kest.Ex_\""},
        {"missing destination folder", true, false, false,
         "CopyFile | Error opening destination file \"C:\\Gone\\Kest.Exe\""},
        {"destination in use", true, true, true,
         "CopyFile | Error opening destination file \"C:\\Gone\\Kest.Exe\""},
    };
    for (const Case& c : cases) {
        winsim::Machine fresh;
        if (c.sourceThere) fresh.AddFile("C:\\Medium\\Kest.Ex_", "program");
        if (c.destinationFolderThere) fresh.AddFolder("C:\\Gone");
        if (c.destinationInUse) {
            fresh.AddFile("C:\\Gone\\Kest.Exe", "running");
            fresh.SetInUse("C:\\Gone\\Kest.Exe");
        }
        EXPECT_FALSE(LzCopyFile("C:\\Medium\\Kest.Ex_", "C:\\Gone\\Kest.Exe")) << c.what;
        EXPECT_EQ(Boxes(fresh), std::vector<std::string>{c.box}) << c.what;
        EXPECT_EQ(fresh.Content("C:\\Gone\\Kest.Exe"), c.destinationInUse ? "running" : "")
            << c.what;
        if (!c.destinationInUse) {
            EXPECT_FALSE(fresh.Exists("C:\\Gone\\Kest.Exe")) << c.what;
        }
        if (c.sourceThere) {
            EXPECT_TRUE(IsClosed("C:\\Medium\\Kest.Ex_")) << c.what;
        }
    }
}

// lz32 refuses a compressed file whose header is damaged; data that merely ends
// early expands as far as it goes. Either way nothing crashes and both files close.
TEST_F(LzCopyTest, DamagedCompressedSources) {
    if (!HaveCompressor()) GTEST_SKIP() << "mscompress is missing";
    std::string content;
    for (int i = 0; i < 4000; ++i) content += static_cast<char>('a' + i * 13 % 26);
    const std::string packed = Compress(content);
    ASSERT_GT(packed.size(), 100u);
    std::string unknownMethod = packed;
    unknownMethod[8] = 'Q';
    std::string hugeLength = packed;
    hugeLength.replace(10, 4, "\xff\xff\xff\x7f");
    const std::string copyError =
        "CopyFile | Error copying file \"C:\\Medium\\Kest.Ex_\" to \"C:\\Temp\\Kest.Exe\"";
    struct Case {
        const char* what;
        std::string stored;
        bool copied;
    } cases[] = {
        {"header cut short", packed.substr(0, 11), false},
        {"unknown method", unknownMethod, false},
        {"data cut in the middle", packed.substr(0, packed.size() / 2), true},
        {"length beyond the data", hugeLength, true},
    };
    for (const Case& c : cases) {
        winsim::Machine fresh;
        fresh.AddFile("C:\\Medium\\Kest.Ex_", c.stored);
        fresh.AddFolder("C:\\Temp");
        EXPECT_EQ(LzCopyFile("C:\\Medium\\Kest.Ex_", "C:\\Temp\\Kest.Exe"), c.copied) << c.what;
        EXPECT_EQ(Boxes(fresh),
                  c.copied ? std::vector<std::string>{} : std::vector<std::string>{copyError})
            << c.what;
        const std::string expanded = fresh.Content("C:\\Temp\\Kest.Exe");
        EXPECT_EQ(expanded, content.substr(0, expanded.size())) << c.what;
        EXPECT_TRUE(IsClosed("C:\\Temp\\Kest.Exe")) << c.what;
        EXPECT_TRUE(IsClosed("C:\\Medium\\Kest.Ex_")) << c.what;
    }
}

TEST_F(LzCopyTest, ReadOnlyDestinationDriveIsADestinationError) {
    machine.AddDrive('E', DRIVE_CDROM, true);
    machine.AddFolder("E:\\Temp");
    machine.AddFile("C:\\Medium\\Rapi.Dl_", "library");
    EXPECT_FALSE(LzCopyFile("C:\\Medium\\Rapi.Dl_", "E:\\Temp\\Rapi.DLL"));
    EXPECT_EQ(Boxes(machine), std::vector<std::string>{"CopyFile | Error opening destination "
                                                       "file \"E:\\Temp\\Rapi.DLL\""});
    EXPECT_FALSE(machine.Exists("E:\\Temp\\Rapi.DLL"));
}

}  // namespace
