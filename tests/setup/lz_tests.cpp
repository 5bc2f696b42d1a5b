// Copying files through lz32: plain and compressed sources, and every failure.
#include "SetupA.h"
#include "SetupFixture.h"

namespace {

using namespace setuptest;

const char* const Source = "C:\\Medium\\Kest.Ex_";
const char* const Target = "C:\\Temp\\Kest.Exe";

class LzCopyTest : public SimTest {
protected:
    // Nothing holds the file open any more.
    static bool IsClosed(const std::string& path) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        CloseHandle(file);
        return true;
    }
};

TEST_F(LzCopyTest, CopiesPlainAndCompressedSources) {
    if (!HaveCompressor()) GTEST_SKIP() << "mscompress is missing";
    std::string binary("MZ\x90\0\xff", 5);
    for (int i = 0; i < 3000; ++i) binary += static_cast<char>(i * 7 % 256);
    struct Case {
        const char* what;
        std::string stored, old, expected;
    } cases[] = {
        {"plain binary", binary, "", binary},
        {"empty file", "", "", ""},
        {"longer old destination is cut", "new", "an old and longer content", "new"},
        {"compressed", Compress(binary), "old", binary},
    };
    for (const Case& c : cases) {
        winsim::Machine fresh;
        fresh.AddFile(Source, c.stored);
        fresh.AddFolder("C:\\Temp");
        if (!c.old.empty()) fresh.AddFile(Target, c.old);
        EXPECT_TRUE(LzCopyFile(Source, Target)) << c.what;
        EXPECT_EQ(fresh.Content(Target), c.expected) << c.what;
        EXPECT_TRUE(fresh.boxes.empty()) << c.what;
        EXPECT_TRUE(IsClosed(Target) && IsClosed(Source)) << c.what;
    }
}

TEST_F(LzCopyTest, ReportsWhichFileCouldNotBeOpened) {
    struct Case {
        const char* what;
        bool source, targetFolder, inUse;
        std::string box;
    } cases[] = {
        {"missing source", false, true, false,
         "CopyFile | Error opening source file \"C:\\Medium\\Kest.Ex_\""},
        {"missing folder", true, false, false,
         "CopyFile | Error opening destination file \"C:\\Temp\\Kest.Exe\""},
        {"destination in use", true, true, true,
         "CopyFile | Error opening destination file \"C:\\Temp\\Kest.Exe\""},
    };
    for (const Case& c : cases) {
        winsim::Machine fresh;
        if (c.source) fresh.AddFile(Source, "program");
        if (c.targetFolder) fresh.AddFolder("C:\\Temp");
        if (c.inUse) fresh.AddFile(Target, "running");
        if (c.inUse) fresh.SetInUse(Target);
        EXPECT_FALSE(LzCopyFile(Source, Target)) << c.what;
        EXPECT_EQ(Boxes(fresh), std::vector<std::string>{c.box}) << c.what;
        EXPECT_EQ(fresh.Content(Target), c.inUse ? "running" : "") << c.what;
        EXPECT_EQ(fresh.Exists(Target), c.inUse) << c.what;
        EXPECT_TRUE(!c.source || IsClosed(Source)) << c.what;
    }
}

// Damaged compressed data is a failed copy: nothing crashes, both files are closed, and
// the destination keeps what could be expanded.
TEST_F(LzCopyTest, DamagedCompressedSourcesAreCopyErrors) {
    if (!HaveCompressor()) GTEST_SKIP() << "mscompress is missing";
    std::string content;
    for (int i = 0; i < 4000; ++i) content += static_cast<char>('a' + i * 13 % 26);
    const std::string packed = Compress(content);
    ASSERT_GT(packed.size(), 100u);
    std::string badMethod = packed, hugeLength = packed;
    badMethod[8] = 'Q';
    hugeLength.replace(10, 4, "\xff\xff\xff\x7f");
    struct Case {
        const char* what;
        std::string stored;
    } cases[] = {
        {"header cut short", packed.substr(0, 11)},
        {"unknown method", badMethod},
        {"data cut in the middle", packed.substr(0, packed.size() / 2)},
        {"length beyond the data", hugeLength},
    };
    for (const Case& c : cases) {
        winsim::Machine fresh;
        fresh.AddFile(Source, c.stored);
        fresh.AddFolder("C:\\Temp");
        EXPECT_FALSE(LzCopyFile(Source, Target)) << c.what;
        EXPECT_EQ(Boxes(fresh),
                  std::vector<std::string>{"CopyFile | Error copying file \"C:\\Medium\\Kest.Ex_\" "
                                           "to \"C:\\Temp\\Kest.Exe\""})
            << c.what;
        const std::string expanded = fresh.Content(Target);
        EXPECT_EQ(expanded, content.substr(0, expanded.size())) << c.what;
        EXPECT_TRUE(IsClosed(Target) && IsClosed(Source)) << c.what;
    }
}

}  // namespace
