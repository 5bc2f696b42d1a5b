// Paths, files, list files, the writability test and the recycle bin.
#include <string>
#include <vector>

#include "SimTest.h"
#include "Tools.h"
#include "WinSys.h"
#include "WinSysFiles.h"

namespace {

class FilesTest : public SimTest {};

TEST_F(FilesTest, PathPartsAndBackslashes) {
    struct Case {
        std::string path;
        std::string folder;
        std::string fileName;
        std::string added;
        std::string removed;
    };
    const std::vector<Case> cases = {
        {"C:\\Study\\Kest.Exe", "C:\\Study\\", "Kest.Exe", "C:\\Study\\Kest.Exe\\",
         "C:\\Study\\Kest.Exe"},
        {"C:\\Study\\", "C:\\Study\\", "", "C:\\Study\\", "C:\\Study"},
        {"C:\\Study\\\\", "C:\\Study\\\\", "", "C:\\Study\\\\", "C:\\Study\\"},
        {"C:", "C:", "", "C:\\", "C:"},
        {"C:\\", "C:\\", "", "C:\\", "C:"},
        {"A:Setup.exe", "A:", "Setup.exe", "A:Setup.exe\\", "A:Setup.exe"},
        {"Fonts.Reg", "", "Fonts.Reg", "Fonts.Reg\\", "Fonts.Reg"},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
        EXPECT_EQ(FileNamePart(c.path), c.fileName) << c.path;
        EXPECT_EQ(AddBackslash(c.path), c.added) << c.path;
        EXPECT_EQ(RemoveBackslash(c.path), c.removed) << c.path;
    }
}

TEST_F(FilesTest, TrailByteOfADoubleByteCharacterIsNoBackslash) {
    machine.doubleByteCodePage = true;
    const std::string folder = "C:\\Data\\\x95\\";  // ends with one two-byte character
    EXPECT_EQ(AddBackslash(folder), folder + "\\");
    EXPECT_EQ(RemoveBackslash(folder), folder);
    EXPECT_EQ(FolderPart(folder + "x"), "C:\\Data\\");
    EXPECT_EQ(FileNamePart(folder + "x"), "\x95\\x");
}

TEST_F(FilesTest, SafeFileNameChangesOnlyTheFileNamePart) {
    EXPECT_EQ(SafeFileName("C:\\a<b>\\x<y>z|w.lst"), "C:\\a<b>\\x[y]z_w.lst");
    EXPECT_EQ(SafeFileName("C:\\Data\\\"50%\"/2.lst"), "C:\\Data\\_50___2.lst");
    EXPECT_EQ(SafeFileName("C:\\Data\\AutoLoad.Lst"), "C:\\Data\\AutoLoad.Lst");
}

// The trail byte of a double-byte character may have the code of a backslash or a
// colon; it is no character of its own and stays.
TEST_F(FilesTest, SafeFileNameStepsByCharacters) {
    machine.doubleByteCodePage = true;
    EXPECT_EQ(SafeFileName("C:\\Data\\\x95\\<\x83:.lst"), "C:\\Data\\\x95\\[\x83:.lst");
    EXPECT_EQ(TranslateChars("a\x95\\b\\", "__", "\\b"), "a\x95\\__");
}

// The write, move and delete lines of the transcript: what a run did to names.
Strings FileActs(const winsim::Machine& m) {
    Strings acts;
    for (const std::string& line : m.transcript) {
        if (line.rfind("write: ", 0) == 0 || line.rfind("move: ", 0) == 0 ||
            line.rfind("delete: ", 0) == 0) {
            acts.push_back(line);
        }
    }
    return acts;
}

// A name that must go is first replaced by a file just created, and only that file is
// deleted: a link there goes itself, the file it names stays as it was. A name the
// replacement may not take is left alone, attributes and all.
TEST_F(FilesTest, FileAndFolderPresenceAskDifferentQuestions) {
    machine.AddFile("C:\\Data\\notes.txt", "x");
    machine.AddFolder("C:\\Data\\Sub");
    const struct Case {
        std::string path;
        bool file;
        bool folder;
    } cases[] = {
        {"C:\\Data\\notes.txt", true, false},
        {"C:\\DATA\\NOTES.TXT", true, false},
        {"C:\\Data\\Sub", false, true},
        {"C:\\Data\\Sub\\", false, true},
        {"C:\\Data\\missing.txt", false, false},
        {"C:\\Nowhere\\notes.txt", false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileIsPresent(c.path), c.file) << c.path;
        EXPECT_EQ(FolderExists(c.path), c.folder) << c.path;
    }
}

// A folder's identity is the same whichever way its path is written; an empty name or
// a missing folder has none.
TEST_F(FilesTest, FolderIdentityFollowsTheFolderNotItsSpelling) {
    machine.AddFolder("C:\\Data\\Sub");
    const FolderIdentity sub = FolderIdentity::Of("C:\\Data\\Sub");
    const FolderIdentity root = FolderIdentity::Of("C:");
    ASSERT_TRUE(sub.known);
    ASSERT_TRUE(root.known);
    EXPECT_FALSE(sub == root);
    EXPECT_TRUE(FolderIdentity::Of("C:\\Data\\Sub\\") == sub);
    EXPECT_TRUE(FolderIdentity::Of("c:\\data\\sub") == sub);
    EXPECT_TRUE(FolderIdentity::Of("C:\\") == root);
    for (const char* none : {"", "\\", "C:\\Data\\missing"}) {
        EXPECT_FALSE(FolderIdentity::Of(none).known) << none;
    }
}

TEST_F(FilesTest, RetireFileDeletesOnlyAFileItJustCreated) {
    const std::string name = "C:\\Data\\x.lst";
    const Strings replaced = {"write: C:\\Data\\x.lst.new",
                              "move: C:\\Data\\x.lst.new -> C:\\Data\\x.lst",
                              "delete: C:\\Data\\x.lst"};
    struct Case {
        const char* what;
        std::string setUp;  // plain, readonly, folder, none, busy, link, hardlink, newlink, 98
        bool result;
        bool stays;
        Strings acts;
    };
    const std::vector<Case> cases = {
        {"plain file", "plain", true, false, replaced},
        {"no file", "none", true, false, {}},
        {"read-only file",
         "readonly",
         false,
         true,
         {"write: C:\\Data\\x.lst.new", "delete: C:\\Data\\x.lst.new"}},
        {"folder", "folder", true, true, {}},
        {"file in use",
         "busy",
         false,
         true,
         {"write: C:\\Data\\x.lst.new", "delete: C:\\Data\\x.lst.new"}},
        {"link to another user's file", "link", true, false, replaced},
        {"hard link to another user's file", "hardlink", true, false, replaced},
        {"the fresh name taken by a link",
         "newlink",
         true,
         false,
         {"write: C:\\Data\\x.lst.1.new", "move: C:\\Data\\x.lst.1.new -> C:\\Data\\x.lst",
          "delete: C:\\Data\\x.lst"}},
        {"Windows 98",
         "98",
         true,
         false,
         {"write: C:\\Data\\x.lst.new", "delete: C:\\Data\\x.lst.new", "delete: C:\\Data\\x.lst"}},
    };
    for (const Case& c : cases) {
        CleanMachine m;
        AddOtherUsersFile(m);
        m.AddFolder("C:\\Data");
        if (c.setUp == "plain" || c.setUp == "busy" || c.setUp == "newlink" || c.setUp == "98") {
            m.AddFile(name, "old");
        }
        if (c.setUp == "readonly") m.AddFile(name, "old", FILE_ATTRIBUTE_READONLY);
        if (c.setUp == "folder")
            m.AddFolder(name, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);
        if (c.setUp == "busy") m.SetInUse(name);
        if (c.setUp == "link") m.AddLink(name, OtherUsersFile);
        if (c.setUp == "hardlink") m.AddHardLink(name, OtherUsersFile);
        if (c.setUp == "newlink") m.AddLink(name + ".new", OtherUsersFile);
        if (c.setUp == "98") m.SetWindows98();
        const DWORD attributes = m.Attributes(name);

        EXPECT_EQ(RetireFile(name), c.result) << c.what;

        EXPECT_EQ(m.Exists(name), c.stays) << c.what;
        if (c.stays) {
            EXPECT_EQ(m.Attributes(name), attributes) << c.what;
        }
        EXPECT_EQ(FileActs(m), c.acts) << c.what;
        ExpectOtherUsersFileUntouched(m, c.what);
        EXPECT_FALSE(m.Exists(name + ".1.new")) << c.what;
    }
}

TEST_F(FilesTest, WritableFolderTestLeavesNothingBehind) {
    struct Case {
        const char* name;
        std::string folder;
        bool writable;
        bool switchesErrorMode;
        std::string stays;  // the content of a "$$$.$$$" that must stay, or "-"
    };
    machine.AddFolder("C:\\Data");
    machine.AddFolder("C:\\Stale");
    machine.AddFile("C:\\Stale\\$$$.$$$", "old");
    machine.AddFile("C:\\Kept\\$$$.$$$", "old", FILE_ATTRIBUTE_READONLY);
    AddOtherUsersFile(machine);
    machine.AddLink("C:\\Linked\\$$$.$$$", OtherUsersFile);
    machine.AddHardLink("C:\\Hard\\$$$.$$$", OtherUsersFile);
    machine.AddDrive('E', DRIVE_CDROM, true);
    machine.AddFolder("E:\\Setup");
    machine.AddDrive('A', DRIVE_REMOVABLE, false, false);
    machine.AddDrive('D', DRIVE_FIXED);
    machine.AddFolder("D:\\Full");
    machine.SetFreeSpace('D', 3);
    const std::vector<Case> cases = {
        {"fixed", "C:\\Data", true, true, "-"},
        {"stale test file", "C:\\Stale\\", true, true, "-"},
        {"read-only stale test file", "C:\\Kept", true, true, "old"},
        {"test file a link to another user's file", "C:\\Linked", true, true, "-"},
        {"test file a hard link to another user's file", "C:\\Hard", true, true, "-"},
        {"read-only medium", "E:\\Setup\\", false, true, "-"},
        {"no medium", "A:\\", false, true, "-"},
        {"full disk", "D:\\Full", false, true, "-"},
        {"missing folder", "C:\\Missing", false, true, "-"},
        {"UNC path", "\\\\server\\share\\", false, false, "-"},
        {"no drive", "Q:\\", false, false, "-"},
        {"empty", "", false, false, "-"},
    };
    for (const Case& c : cases) {
        machine.errorMode = SEM_NOOPENFILEERRORBOX;
        machine.errorModeHistory.clear();
        EXPECT_EQ(IsWritableFolder(c.folder), c.writable) << c.name;
        const std::string testFile = AddBackslash(c.folder) + "$$$.$$$";
        EXPECT_EQ(machine.Exists(testFile), c.stays != "-") << c.name;
        if (c.stays != "-") {
            EXPECT_EQ(machine.Content(testFile), c.stays) << c.name;
            EXPECT_EQ(machine.Attributes(testFile), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))
                << c.name;
        }
        EXPECT_EQ(machine.errorMode, static_cast<UINT>(SEM_NOOPENFILEERRORBOX)) << c.name;
        if (c.switchesErrorMode) {
            EXPECT_EQ(machine.errorModeHistory,
                      std::vector<UINT>({SEM_FAILCRITICALERRORS, SEM_NOOPENFILEERRORBOX}))
                << c.name;
        } else {
            EXPECT_TRUE(machine.errorModeHistory.empty()) << c.name;
        }
    }
    EXPECT_EQ(BoxesOf(machine), Strings{});
    EXPECT_TRUE(machine.List("C:\\Data").empty());
    EXPECT_TRUE(machine.List("C:\\Stale").empty());
    EXPECT_EQ(machine.List("C:\\Kept"), Strings{"$$$.$$$"});
    EXPECT_TRUE(machine.List("C:\\Linked").empty());
    ExpectOtherUsersFileUntouched(machine, "after the tests");
}

TEST_F(FilesTest, ListFilesSplitAtEveryLineEndAndDropEndOfFileMarks) {
    struct Case {
        const char* name;
        std::string content;
        StringList lines;
    };
    const std::vector<Case> cases = {
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"no final break", "a\r\nb", {"a", "b"}},
        {"lone CR and LF", "a\rb\nc", {"a", "b", "c"}},
        {"LF then CR", "a\n\rb", {"a", "", "b"}},
        {"empty lines", "a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"NUL ends the text", std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
        {"empty file", "", {}},
        {"mark after CR LF", "abc\r\ndef\r\n\x1A", {"abc", "def"}},
        {"mark on the last line", "abc\x1A", {"abc"}},
        {"only a mark", "\x1A", {}},
        {"several marks", "abc\r\n\x1A\x1A\r\n\x1A", {"abc"}},
        {"mark inside",
         "a\x1A"
         "b\r\n",
         {"a\x1A"
          "b"}},
        {"empty line before the mark", "abc\r\n\r\n\x1A", {"abc", ""}},
    };
    for (const Case& c : cases) {
        machine.AddFile("C:\\Data\\Fonts.Reg", c.content);
        StringList lines = {"left over"};
        EXPECT_TRUE(LoadListFile(lines, "C:\\Data\\Fonts.Reg")) << c.name;
        EXPECT_EQ(lines, c.lines) << c.name;
    }
}

TEST_F(FilesTest, LoadListFileOfNoFileEmptiesTheList) {
    machine.AddFolder("C:\\Data\\Folder.Lst");
    StringList lines = {"left over"};
    EXPECT_FALSE(LoadListFile(lines, "C:\\Data\\Missing.Lst"));
    EXPECT_TRUE(lines.empty());
    lines = {"left over"};
    EXPECT_FALSE(LoadListFile(lines, "C:\\Data\\Folder.Lst"));
    EXPECT_TRUE(lines.empty());
}

// A read that fails is no end of the file: a list read in part is no list.
TEST_F(FilesTest, LoadListFileThatCannotBeReadToItsEndLoadsNothing) {
    const std::string line = std::string(99, 'x') + "\r\n";
    std::string content;
    for (int i = 0; i < 100; ++i) content += line;  // more than one read's worth
    machine.AddFile("C:\\Data\\Fonts.Reg", content);
    for (long failing : {1L, 2L}) {
        machine.faults.callsByName.clear();
        machine.faults.plan.numberedCalls = {{"ReadFile", {failing}}};
        StringList lines = {"left over"};
        EXPECT_FALSE(LoadListFile(lines, "C:\\Data\\Fonts.Reg")) << failing;
        EXPECT_TRUE(lines.empty()) << failing;
    }
    machine.faults.plan.numberedCalls.clear();
    StringList lines;
    EXPECT_TRUE(LoadListFile(lines, "C:\\Data\\Fonts.Reg"));
    EXPECT_EQ(lines.size(), 100u);
    EXPECT_EQ(machine.OpenHandles(), Strings{});
}

TEST_F(FilesTest, SaveListFileWritesEveryLineWithCrLf) {
    machine.AddFolder("C:\\Data");
    SaveListFile({"Atlas.Mod", "", "Setup 2.0"}, "C:\\Data\\AutoLoad.Lst");
    EXPECT_EQ(machine.Content("C:\\Data\\AutoLoad.Lst"), "Atlas.Mod\r\n\r\nSetup 2.0\r\n");

    machine.AddFile("C:\\Data\\Fonts.Reg", "old line\r\n");
    SaveListFile({}, "C:\\Data\\Fonts.Reg");
    EXPECT_TRUE(machine.Exists("C:\\Data\\Fonts.Reg"));
    EXPECT_EQ(machine.Content("C:\\Data\\Fonts.Reg"), "");

    SaveListFile({"x"}, "C:\\Data\\<New>.Lst");
    EXPECT_EQ(machine.Content("C:\\Data\\[New].Lst"), "x\r\n");
    EXPECT_FALSE(machine.Exists("C:\\Data\\<New>.Lst"));

    StringList lines;
    EXPECT_TRUE(LoadListFile(lines, "C:\\Data\\AutoLoad.Lst"));
    EXPECT_EQ(lines, StringList({"Atlas.Mod", "", "Setup 2.0"}));
}

// The message of the error SaveListFile raises for a list file that cannot be
// created, or "" when it saves.
std::string SaveError(const std::string& name) {
    try {
        SaveListFile({"line"}, name);
    } catch (const FileCreateError& error) {
        return error.what();
    }
    return "";
}

TEST_F(FilesTest, SaveListFileThatCannotCreateRaisesWithPathAndSystemText) {
    machine.messageTexts[ERROR_ACCESS_DENIED] = "Access is denied.\r\n";
    machine.messageTexts[ERROR_PATH_NOT_FOUND] = "Path not found.\r\n";
    machine.AddFile("C:\\Fonts\\Fonts.Reg", "keep\r\n", FILE_ATTRIBUTE_READONLY);
    struct Case {
        std::string name;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"C:\\Fonts\\Fonts.Reg", "Cannot create file \"C:\\Fonts\\Fonts.Reg\". Access is denied."},
        {"C:\\Missing\\AutoLoad.Lst",
         "Cannot create file \"C:\\Missing\\AutoLoad.Lst\". Path not found."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SaveError(c.name), c.message);
    }
    EXPECT_EQ(machine.Content("C:\\Fonts\\Fonts.Reg"), "keep\r\n");
}

// A list is written beside its place and replaces the old file only once complete:
// a failed write leaves the old file (or none) and no partial file.
TEST_F(FilesTest, SaveListFileReplacesTheOldFileOnlyWhenComplete) {
    struct Case {
        const char* what;
        bool windows98, old, readOnly;
        long long freeSpace;
        std::string content;  // of the list file afterwards; "-" for none
    } cases[] = {
        {"written", false, true, false, -1, "Atlas.Mod\r\nSetup 2.0\r\n"},
        {"written on Windows 98", true, true, false, -1, "Atlas.Mod\r\nSetup 2.0\r\n"},
        {"new on Windows 98", true, false, false, -1, "Atlas.Mod\r\nSetup 2.0\r\n"},
        {"disk full", false, true, false, 4, "Old.Mod\r\n"},
        {"disk full, no old list", false, false, false, 4, "-"},
        {"disk full on Windows 98", true, true, false, 4, "Old.Mod\r\n"},
        {"old list read-only", false, true, true, -1, "Old.Mod\r\n"},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        if (c.windows98) fresh.SetWindows98();
        fresh.AddFolder("D:\\Data");
        if (c.old) {
            fresh.AddFile("D:\\Data\\AutoLoad.Lst", "Old.Mod\r\n",
                          c.readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_ARCHIVE);
        }
        if (c.freeSpace >= 0) fresh.SetFreeSpace('D', c.freeSpace);
        bool raised = false;
        try {
            SaveListFile({"Atlas.Mod", "Setup 2.0"}, "D:\\Data\\AutoLoad.Lst");
        } catch (const KestError&) {
            raised = true;
        }
        const bool saved = c.content == "Atlas.Mod\r\nSetup 2.0\r\n";
        EXPECT_EQ(raised, !saved) << c.what;
        EXPECT_EQ(fresh.List("D:\\Data"), c.content == "-" ? Strings{} : Strings{"AutoLoad.Lst"})
            << c.what;
        if (c.content != "-") {
            EXPECT_EQ(fresh.Content("D:\\Data\\AutoLoad.Lst"), c.content) << c.what;
        }
    }
}

// The name in the message is the system's full path of the name given, also for a name
// relative to a drive's own current folder or to the current drive's root.
TEST_F(FilesTest, SaveListFileNamesTheFullPathInItsError) {
    machine.messageTexts[ERROR_PATH_NOT_FOUND] = "Path not found.\r\n";
    machine.AddFolder("C:\\Work");
    machine.AddFolder("D:\\Lists");
    SetCurrentDirectoryA("D:\\Lists");
    SetCurrentDirectoryA("C:\\Work");
    struct Case {
        const char* name;
        const char* shown;
    } cases[] = {
        {"Q:x\\AutoLoad.Lst", "Q:\\x\\AutoLoad.Lst"},
        {"D:Gone\\AutoLoad.Lst", "D:\\Lists\\Gone\\AutoLoad.Lst"},
        {"\\Gone\\AutoLoad.Lst", "C:\\Gone\\AutoLoad.Lst"},
        {"Gone\\AutoLoad.Lst", "C:\\Work\\Gone\\AutoLoad.Lst"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SaveError(c.name),
                  std::string("Cannot create file \"") + c.shown + "\". Path not found.");
    }
    // Without the system's full path the name is shown as it was given.
    machine.faults.plan.calls = {"GetFullPathNameA"};
    EXPECT_EQ(SaveError("D:Gone\\AutoLoad.Lst"),
              "Cannot create file \"D:Gone\\AutoLoad.Lst\". Path not found.");
}

TEST_F(FilesTest, ShortPathFallsBackToThePath) {
    machine.AddFolder("C:\\Program Files\\Study");
    machine.SetShortName("C:\\Program Files", "PROGRA~1");
    EXPECT_EQ(ShortPath("C:\\Program Files\\Study"), "C:\\PROGRA~1\\Study");
    EXPECT_EQ(ShortPath("C:\\Nowhere\\Long Name"), "C:\\Nowhere\\Long Name");

    std::string deep = "C:\\Program Files";
    while (deep.size() < 300) {
        deep += "\\Long Folder Name";
    }
    machine.AddFolder(deep);
    machine.SetShortNamesEnabled('C', false);  // the long form, too long for the buffer
    EXPECT_EQ(ShortPath(deep), deep);
}

TEST_F(FilesTest, RecycleBinGetsThePathWithoutTrailingBackslash) {
    machine.AddFile("C:\\Program Files\\Study\\Kest.Exe", "MZ");
    EXPECT_TRUE(MoveToRecycleBin("C:\\Program Files\\Study\\"));
    EXPECT_EQ(machine.recycled, std::vector<std::string>({"C:\\Program Files\\Study"}));
    EXPECT_FALSE(machine.Exists("C:\\Program Files\\Study"));
    EXPECT_EQ(BoxesOf(machine), Strings{});

    machine.AddFile("C:\\Data\\Kept.txt", "x");
    machine.RefuseRecycle("C:\\Data\\Kept.txt");
    EXPECT_FALSE(MoveToRecycleBin("C:\\Data\\Kept.txt"));
    EXPECT_TRUE(machine.Exists("C:\\Data\\Kept.txt"));
}

// Where the shell cannot recycle (no recycle bin on removable and network drives, a
// full one) it asks before deleting for good; only an item that is gone counts as
// removed, and one the user kept is told apart from one the shell could not remove.
TEST_F(FilesTest, RecycleBinAsksBeforeDeletingForGoodAndCountsWhatIsGone) {
    struct Case {
        const char* name;
        UINT driveType;
        bool binFull;
        int answer;
        bool inUse;
        RecycleOutcome outcome;
        const char* caption;  // of the shell's question, or nothing when it does not ask
    } cases[] = {
        {"recycled", DRIVE_FIXED, false, IDNO, false, RecycleOutcome::Gone, nullptr},
        {"removable, Yes", DRIVE_REMOVABLE, false, IDYES, false, RecycleOutcome::Gone,
         "Confirm file deletion"},
        {"network, No", DRIVE_REMOTE, false, IDNO, false, RecycleOutcome::Kept,
         "Confirm file deletion"},
        {"full bin, No", DRIVE_FIXED, true, IDNO, false, RecycleOutcome::Kept,
         "Confirm file deletion"},
        {"cannot be deleted either", DRIVE_REMOVABLE, false, IDYES, true, RecycleOutcome::Failed,
         "Confirm file deletion"},
    };
    for (const Case& c : cases) {
        winsim::Machine m;
        m.AddDrive('E', c.driveType);
        m.AddFile("E:\\Data\\notes.txt", "n");
        m.recycleBinFull = c.binFull;
        m.boxAnswers = {c.answer};
        m.SetInUse("E:\\Data\\notes.txt", c.inUse);

        EXPECT_EQ(RecycleItem("E:\\Data\\notes.txt"), c.outcome) << c.name;

        ASSERT_EQ(m.boxes.size(), c.caption ? 1u : 0u) << c.name;
        if (c.caption) {
            EXPECT_EQ(m.boxes[0].caption, c.caption) << c.name;
            EXPECT_EQ(m.boxes[0].style & 0xF, static_cast<UINT>(MB_YESNO)) << c.name;
        }
        EXPECT_EQ(m.Exists("E:\\Data\\notes.txt"), c.outcome != RecycleOutcome::Gone) << c.name;
        EXPECT_EQ(m.recycled.size(), c.caption ? 0u : 1u) << c.name;
    }
}

}  // namespace
