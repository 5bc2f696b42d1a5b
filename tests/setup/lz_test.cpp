// Copying files through lz32: plain and compressed sources, and every failure.
#include <lzexpand.h>

#include "SetupA.h"
#include "SetupFixture.h"
#include "SetupLz.h"
#include "WinSysHandles.h"

namespace {

using namespace setuptest;

const char* const Source = "C:\\Medium\\Kest.Ex_";
const char* const Target = "C:\\Temp\\Kest.Exe";

class LzCopyTest : public SimTest {
protected:
    // Nothing holds the file open any more.
    static bool IsClosed(const std::string& path) {
        const KernelHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        return file.IsValid();
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
        CleanMachine fresh;
        fresh.AddFile(Source, c.stored);
        fresh.AddFolder("C:\\Temp");
        if (!c.old.empty()) fresh.AddFile(Target, c.old);
        EXPECT_TRUE(LzCopyFile(Source, Target)) << c.what;
        EXPECT_EQ(fresh.Content(Target), c.expected) << c.what;
        EXPECT_EQ(BoxesOf(fresh), Strings{}) << c.what;
        EXPECT_TRUE(IsClosed(Target) && IsClosed(Source)) << c.what;
        // lz32 comes from the system folder by its full path, never by its bare name.
        EXPECT_EQ(fresh.Lines("load: "), Strings{"load: C:\\Windows\\System32\\lz32.dll"});
        EXPECT_EQ(fresh.Lines("free: "), Strings{"free: C:\\Windows\\System32\\lz32.dll"});
    }
}

// lz32 that cannot be loaded from the system folder is a failed copy: a box, nothing
// opened or written.
TEST_F(LzCopyTest, Lz32IsLoadedFromTheSystemFolderOnly) {
    struct Case {
        const char* systemFolder;
        bool loadFails;
        Strings loads, boxes;
    } cases[] = {
        {"D:\\WINNT\\system32", false, {"load: D:\\WINNT\\system32\\lz32.dll"}, {}},
        {"C:\\Windows\\System32",
         true,
         {"load: C:\\Windows\\System32\\lz32.dll"},
         {"CopyFile | Error loading the system's LZ library "
          "\"C:\\Windows\\System32\\lz32.dll\". Module not found."}},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        fresh.messageTexts[ERROR_MOD_NOT_FOUND] = "Module not found.\r\n";
        fresh.systemFolder = c.systemFolder;
        if (c.loadFails) fresh.faults.plan.calls = {"LoadLibraryA"};
        fresh.AddFile(Source, "program");
        fresh.AddFolder("C:\\Temp");
        EXPECT_EQ(LzCopyFile(Source, Target), !c.loadFails) << c.systemFolder;
        EXPECT_EQ(fresh.Lines("load: "), c.loads) << c.systemFolder;
        EXPECT_EQ(BoxesOf(fresh), c.boxes) << c.systemFolder;
        EXPECT_EQ(fresh.Exists(Target), !c.loadFails) << c.systemFolder;
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
        CleanMachine fresh;
        if (c.source) fresh.AddFile(Source, "program");
        if (c.targetFolder) fresh.AddFolder("C:\\Temp");
        if (c.inUse) fresh.AddFile(Target, "running");
        if (c.inUse) fresh.SetInUse(Target);
        EXPECT_FALSE(LzCopyFile(Source, Target)) << c.what;
        EXPECT_EQ(BoxesOf(fresh), Strings{c.box}) << c.what;
        EXPECT_EQ(fresh.Content(Target), c.inUse ? "running" : "") << c.what;
        EXPECT_EQ(fresh.Exists(Target), c.inUse) << c.what;
        EXPECT_TRUE(!c.source || IsClosed(Source)) << c.what;
    }
}

// lz32 expands damaged data as far as it goes, as Wine's does: a header cut short is
// copied as it stands, data cut short or shorter than its header says expands to what
// it holds, and an unknown method copies nothing. None of them is a failed copy.
TEST_F(LzCopyTest, DamagedCompressedSourcesCopyWhatLz32Reads) {
    if (!HaveCompressor()) GTEST_SKIP() << "mscompress is missing";
    std::string content;
    for (int i = 0; i < 4000; ++i) content += static_cast<char>('a' + i * 13 % 26);
    const std::string packed = Compress(content);
    ASSERT_GT(packed.size(), 100u);
    struct Case {
        const char* what;
        std::string stored;
        bool prefixOnly;
        std::string expected;
    } cases[] = {
        {"header cut short", packed.substr(0, 11), false, packed.substr(0, 11)},
        {"unknown method", WithUnknownMethod(packed), false, ""},
        {"data cut in the middle", packed.substr(0, packed.size() / 2), true, ""},
        {"length beyond the data", WithHugeLength(packed), false, content},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        fresh.AddFile(Source, c.stored);
        fresh.AddFile(Target, "old program");
        EXPECT_TRUE(LzCopyFile(Source, Target)) << c.what;
        EXPECT_EQ(BoxesOf(fresh), Strings{}) << c.what;
        const std::string expanded = fresh.Content(Target);
        if (c.prefixOnly) {
            EXPECT_GT(expanded.size(), 100u) << c.what;
            EXPECT_LT(expanded.size(), content.size()) << c.what;
            EXPECT_EQ(expanded, content.substr(0, expanded.size())) << c.what;
        } else {
            EXPECT_EQ(expanded, c.expected) << c.what;
        }
        EXPECT_TRUE(IsClosed(Target) && IsClosed(Source)) << c.what;
    }
}

// A destination lz32 cannot create (in use or read-only) makes it create the compressed
// name beside it instead: that file goes again when this copy made it, and the old
// program stays untouched. A file that bore that name before (someone else's, or a link
// to it) is never deleted.
TEST_F(LzCopyTest, DestinationOpenedUnderAnotherNameIsAnOpenError) {
    for (bool inUse : {true, false}) {
        for (bool fallbackExisted : {false, true}) {
            CleanMachine fresh;
            fresh.AddFile(Source, "new program");
            fresh.AddFile(Target, "old program");
            if (fallbackExisted) fresh.AddFile("C:\\Temp\\Kest.Ex_", "someone's file");
            if (inUse)
                fresh.SetInUse(Target);
            else
                fresh.SetAttributes(Target, FILE_ATTRIBUTE_READONLY);
            const std::string what = std::to_string(inUse) + std::to_string(fallbackExisted);
            EXPECT_FALSE(LzCopyFile(Source, Target)) << what;
            EXPECT_EQ(BoxesOf(fresh), Strings{"CopyFile | Error opening destination file "
                                              "\"C:\\Temp\\Kest.Exe\""})
                << what;
            const Strings left =
                fallbackExisted ? Strings{"Kest.Exe", "Kest.Ex_"} : Strings{"Kest.Exe"};
            EXPECT_EQ(fresh.List("C:\\Temp"), left) << what;
            EXPECT_EQ(fresh.Lines("delete: "),
                      fallbackExisted ? Strings{} : Strings{"delete: C:\\Temp\\Kest.Ex_"})
                << what;
            EXPECT_EQ(fresh.Content(Target), "old program") << what;
            EXPECT_TRUE(IsClosed(Source)) << what;
        }
    }
}

// Windows answers some failed opens with error codes other than -1.
TEST_F(LzCopyTest, AnyNegativeAnswerIsAFailedOpen) {
    machine.AddFile(Source, "program");
    machine.AddFolder("C:\\Temp");
    machine.faults.lzOpenResults[Source] = LZERROR_GLOBALLOC;
    EXPECT_FALSE(LzCopyFile(Source, Target));
    EXPECT_EQ(BoxesOf(machine),
              Strings{"CopyFile | Error opening source file \"C:\\Medium\\Kest.Ex_\""});
    EXPECT_FALSE(machine.Exists(Target));
}

}  // namespace
