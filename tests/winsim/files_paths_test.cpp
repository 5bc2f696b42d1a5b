// Files and folders by name: attributes, creation, removal, moves and the current
// folder. Each case pins the call's result and the last-error code it leaves.
#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const DWORD kUntouched = 0xDEAD;
const long long kFail = 0;
const long long kDone = 1;

// The tree every case starts from.
void Build(winsim::Machine& m) {
    m.AddFile("C:\\Kest\\Kest.Exe", "MZ program");
    m.AddFile("C:\\Kest\\ReadOnly.txt", "keep", FILE_ATTRIBUTE_READONLY);
    m.AddFile("C:\\Kest\\Plain.txt", "plain", 0);
    m.AddFolder("C:\\Kest\\Empty");
    m.AddFolder("C:\\Kest\\Locked", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);
    m.AddFile("C:\\Busy\\KestDel.Exe", "MZ");
    m.SetInUse("C:\\Busy\\KestDel.Exe");
    m.AddFolder("D:\\Data");
}

struct Case {
    const char* what;
    std::function<long long()> call;
    long long result;
    DWORD error;  // kUntouched: the call leaves the last-error code alone
    std::function<bool(winsim::Machine&)> after;
};

bool Always(winsim::Machine&) { return true; }

void RunCases(const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        winsim::Machine m;
        Build(m);
        m.lastError = kUntouched;
        EXPECT_EQ(c.result, c.call());
        EXPECT_EQ(c.error, m.lastError);
        EXPECT_TRUE((c.after ? c.after : Always)(m));
    }
}

long long Attr(const char* path) { return GetFileAttributesA(path); }

}  // namespace

TEST(FilesPaths, Attributes) {
    const long long invalid = INVALID_FILE_ATTRIBUTES;
    RunCases({
        {"a file keeps its archive bit", [] { return Attr("C:\\KEST\\kest.exe"); },
         FILE_ATTRIBUTE_ARCHIVE, kUntouched, nullptr},
        {"no attributes read as normal", [] { return Attr("C:\\Kest\\Plain.txt"); },
         FILE_ATTRIBUTE_NORMAL, kUntouched, nullptr},
        {"a folder with its trailing backslash", [] { return Attr("C:\\Kest\\Empty\\"); },
         FILE_ATTRIBUTE_DIRECTORY, kUntouched, nullptr},
        {"a drive's root", [] { return Attr("C:\\"); }, FILE_ATTRIBUTE_DIRECTORY, kUntouched,
         nullptr},
        {"missing file", [] { return Attr("C:\\Kest\\None.txt"); }, invalid, ERROR_FILE_NOT_FOUND,
         nullptr},
        {"missing folder", [] { return Attr("C:\\None\\Kest.Exe"); }, invalid, ERROR_PATH_NOT_FOUND,
         nullptr},
        {"missing drive", [] { return Attr("Q:\\Kest.Exe"); }, invalid, ERROR_PATH_NOT_FOUND,
         nullptr},
        {"a file written as a folder", [] { return Attr("C:\\Kest\\Kest.Exe\\"); }, invalid,
         ERROR_PATH_NOT_FOUND, nullptr},
        {"a file below a file", [] { return Attr("C:\\Kest\\Kest.Exe\\x"); }, invalid,
         ERROR_PATH_NOT_FOUND, nullptr},
        {"clearing with 0 keeps a folder a folder",
         [] { return SetFileAttributesA("C:\\Kest\\Locked", 0); }, kDone, kUntouched,
         [](winsim::Machine& m) {
             return m.Attributes("C:\\Kest\\Locked") == FILE_ATTRIBUTE_DIRECTORY;
         }},
        {"FILE_ATTRIBUTE_NORMAL clears a file's attributes",
         [] { return SetFileAttributesA("C:\\Kest\\ReadOnly.txt", FILE_ATTRIBUTE_NORMAL); }, kDone,
         kUntouched,
         [](winsim::Machine&) { return Attr("C:\\Kest\\ReadOnly.txt") == FILE_ATTRIBUTE_NORMAL; }},
        {"hidden and system are kept as set",
         [] {
             return SetFileAttributesA("C:\\Kest\\Plain.txt",
                                       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
         },
         kDone, kUntouched,
         [](winsim::Machine& m) {
             return m.Attributes("C:\\Kest\\Plain.txt") ==
                    (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
         }},
        {"setting a missing file's attributes",
         [] { return SetFileAttributesA("C:\\Kest\\None.txt", 0); }, kFail, ERROR_FILE_NOT_FOUND,
         nullptr},
    });
}

TEST(FilesPaths, FoldersMadeAndRemoved) {
    RunCases({
        {"a new folder", [] { return CreateDirectoryA("C:\\Kest\\New", nullptr); }, kDone,
         kUntouched, [](winsim::Machine& m) { return m.IsFolder("C:\\Kest\\New"); }},
        {"a new folder written with a trailing backslash",
         [] { return CreateDirectoryA("C:\\Kest\\New\\", nullptr); }, kDone, kUntouched,
         [](winsim::Machine& m) { return m.IsFolder("C:\\Kest\\New"); }},
        {"an existing folder", [] { return CreateDirectoryA("c:\\kest", nullptr); }, kFail,
         ERROR_ALREADY_EXISTS, nullptr},
        {"over an existing file", [] { return CreateDirectoryA("C:\\Kest\\Kest.Exe", nullptr); },
         kFail, ERROR_ALREADY_EXISTS, nullptr},
        {"below a missing folder", [] { return CreateDirectoryA("C:\\No\\New", nullptr); }, kFail,
         ERROR_PATH_NOT_FOUND, [](winsim::Machine& m) { return !m.Exists("C:\\No"); }},
        {"remove an empty folder", [] { return RemoveDirectoryA("C:\\Kest\\Empty\\"); }, kDone,
         kUntouched,
         [](winsim::Machine& m) {
             return !m.Exists("C:\\Kest\\Empty") &&
                    m.Lines("rmdir: ") == std::vector<std::string>{"rmdir: C:\\Kest\\Empty\\"};
         }},
        {"remove a folder that holds files", [] { return RemoveDirectoryA("C:\\Kest"); }, kFail,
         ERROR_DIR_NOT_EMPTY, [](winsim::Machine& m) { return m.Exists("C:\\Kest\\Kest.Exe"); }},
        {"remove a read-only folder", [] { return RemoveDirectoryA("C:\\Kest\\Locked"); }, kFail,
         ERROR_ACCESS_DENIED, [](winsim::Machine& m) { return m.IsFolder("C:\\Kest\\Locked"); }},
        {"remove a file as a folder", [] { return RemoveDirectoryA("C:\\Kest\\Kest.Exe"); }, kFail,
         ERROR_DIRECTORY, nullptr},
        {"remove a missing folder", [] { return RemoveDirectoryA("C:\\Kest\\None"); }, kFail,
         ERROR_FILE_NOT_FOUND, nullptr},
        {"remove below a missing folder", [] { return RemoveDirectoryA("C:\\None\\x"); }, kFail,
         ERROR_PATH_NOT_FOUND, nullptr},
        {"remove the current folder",
         [] {
             SetCurrentDirectoryA("C:\\Kest\\Empty");
             return RemoveDirectoryA("C:\\Kest\\Empty");
         },
         kFail, ERROR_SHARING_VIOLATION,
         [](winsim::Machine& m) { return m.IsFolder("C:\\Kest\\Empty"); }},
        {"remove a drive's root", [] { return RemoveDirectoryA("D:\\"); }, kFail,
         ERROR_ACCESS_DENIED, nullptr},
    });
}

TEST(FilesPaths, FilesDeleted) {
    RunCases({
        {"a plain file", [] { return DeleteFileA("c:\\kest\\plain.txt"); }, kDone, kUntouched,
         [](winsim::Machine& m) {
             return !m.Exists("C:\\Kest\\Plain.txt") &&
                    m.Lines("delete: ") == std::vector<std::string>{"delete: c:\\kest\\plain.txt"};
         }},
        {"a read-only file", [] { return DeleteFileA("C:\\Kest\\ReadOnly.txt"); }, kFail,
         ERROR_ACCESS_DENIED,
         [](winsim::Machine& m) { return m.Exists("C:\\Kest\\ReadOnly.txt"); }},
        {"a file in use", [] { return DeleteFileA("C:\\Busy\\KestDel.Exe"); }, kFail,
         ERROR_ACCESS_DENIED, [](winsim::Machine& m) { return m.Exists("C:\\Busy\\KestDel.Exe"); }},
        {"a folder", [] { return DeleteFileA("C:\\Kest\\Empty"); }, kFail, ERROR_ACCESS_DENIED,
         [](winsim::Machine& m) { return m.IsFolder("C:\\Kest\\Empty"); }},
        {"a missing file", [] { return DeleteFileA("C:\\Kest\\None"); }, kFail,
         ERROR_FILE_NOT_FOUND, [](winsim::Machine& m) { return m.Lines("delete: ").empty(); }},
        {"in a missing folder", [] { return DeleteFileA("C:\\None\\x"); }, kFail,
         ERROR_PATH_NOT_FOUND, nullptr},
        {"a file written with a trailing backslash",
         [] { return DeleteFileA("C:\\Kest\\Plain.txt\\"); }, kFail, ERROR_INVALID_NAME,
         [](winsim::Machine& m) { return m.Exists("C:\\Kest\\Plain.txt"); }},
    });
}

TEST(FilesPaths, Moves) {
    RunCases({
        {"onto its own name", [] { return MoveFileA("C:\\Kest\\Kest.Exe", "C:\\Kest\\Kest.Exe"); },
         kDone, kUntouched,
         [](winsim::Machine& m) {
             return m.Content("C:\\Kest\\Kest.Exe") == "MZ program" && m.Lines("move: ").empty();
         }},
        {"a rename that changes only the case",
         [] { return MoveFileA("C:\\Kest\\Kest.Exe", "C:\\Kest\\KEST.EXE"); }, kDone, kUntouched,
         [](winsim::Machine& m) {
             return m.List("C:\\Kest").front() == "KEST.EXE" && m.Lines("move: ").size() == 1;
         }},
        {"to another folder", [] { return MoveFileA("C:\\Kest\\Plain.txt", "D:\\Data\\P.txt"); },
         kDone, kUntouched,
         [](winsim::Machine& m) {
             return !m.Exists("C:\\Kest\\Plain.txt") && m.Content("D:\\Data\\P.txt") == "plain" &&
                    m.Lines("move: ") ==
                        std::vector<std::string>{"move: C:\\Kest\\Plain.txt -> D:\\Data\\P.txt"};
         }},
        {"a read-only file may be renamed",
         [] { return MoveFileA("C:\\Kest\\ReadOnly.txt", "C:\\Kest\\Other.txt"); }, kDone,
         kUntouched, [](winsim::Machine& m) { return m.Exists("C:\\Kest\\Other.txt"); }},
        {"onto another existing file",
         [] { return MoveFileA("C:\\Kest\\Plain.txt", "C:\\Kest\\kest.exe"); }, kFail,
         ERROR_ALREADY_EXISTS,
         [](winsim::Machine& m) { return m.Content("C:\\Kest\\Kest.Exe") == "MZ program"; }},
        {"a file in use", [] { return MoveFileA("C:\\Busy\\KestDel.Exe", "C:\\Busy\\Old.Exe"); },
         kFail, ERROR_SHARING_VIOLATION,
         [](winsim::Machine& m) { return m.Exists("C:\\Busy\\KestDel.Exe"); }},
        {"a folder that holds a file in use", [] { return MoveFileA("C:\\Busy", "C:\\Gone"); },
         kFail, ERROR_ACCESS_DENIED, [](winsim::Machine& m) { return m.IsFolder("C:\\Busy"); }},
        {"a folder into itself", [] { return MoveFileA("C:\\Kest", "C:\\Kest\\Empty\\Kest"); },
         kFail, ERROR_INVALID_PARAMETER, nullptr},
        {"a folder to another drive", [] { return MoveFileA("C:\\Kest\\Empty", "D:\\Empty"); },
         kFail, ERROR_NOT_SAME_DEVICE, nullptr},
        {"a folder with its content", [] { return MoveFileA("C:\\Kest", "C:\\Moved"); }, kDone,
         kUntouched,
         [](winsim::Machine& m) {
             return !m.Exists("C:\\Kest") && m.Content("C:\\Moved\\Kest.Exe") == "MZ program";
         }},
        {"a missing file", [] { return MoveFileA("C:\\Kest\\None", "C:\\Kest\\Other"); }, kFail,
         ERROR_FILE_NOT_FOUND, nullptr},
        {"into a missing folder", [] { return MoveFileA("C:\\Kest\\Plain.txt", "C:\\No\\P.txt"); },
         kFail, ERROR_PATH_NOT_FOUND,
         [](winsim::Machine& m) { return m.Exists("C:\\Kest\\Plain.txt"); }},
    });
}

TEST(FilesPaths, CurrentFolder) {
    RunCases({
        {"a folder with a trailing backslash, kept as written",
         [] { return SetCurrentDirectoryA("c:\\kest\\empty\\"); }, kDone, kUntouched,
         [](winsim::Machine& m) { return m.currentFolder == "c:\\kest\\empty"; }},
        {"a drive's root", [] { return SetCurrentDirectoryA("D:\\"); }, kDone, kUntouched,
         [](winsim::Machine& m) { return m.currentFolder == "D:\\"; }},
        {"relative names then follow it",
         [] { return SetCurrentDirectoryA("C:\\Kest") && DeleteFileA("Plain.txt"); }, kDone,
         kUntouched, [](winsim::Machine& m) { return !m.Exists("C:\\Kest\\Plain.txt"); }},
        {"a file", [] { return SetCurrentDirectoryA("C:\\Kest\\Kest.Exe"); }, kFail,
         ERROR_DIRECTORY, [](winsim::Machine& m) { return m.currentFolder == "C:\\"; }},
        {"a missing folder", [] { return SetCurrentDirectoryA("C:\\Kest\\None"); }, kFail,
         ERROR_FILE_NOT_FOUND, nullptr},
        {"below a missing folder", [] { return SetCurrentDirectoryA("C:\\None\\x"); }, kFail,
         ERROR_PATH_NOT_FOUND, nullptr},
        // Each drive keeps its own current folder: "D:" names it, not the root.
        {"a drive letter alone",
         [] {
             return SetCurrentDirectoryA("D:\\Data") && SetCurrentDirectoryA("C:\\Kest") &&
                    SetCurrentDirectoryA("D:");
         },
         kDone, kUntouched, [](winsim::Machine& m) { return m.currentFolder == "D:\\Data"; }},
        {"a drive letter alone, the drive not visited", [] { return SetCurrentDirectoryA("D:"); },
         kDone, kUntouched, [](winsim::Machine& m) { return m.currentFolder == "D:\\"; }},
        {"a name relative to another drive's folder",
         [] {
             return SetCurrentDirectoryA("D:\\Data") && SetCurrentDirectoryA("C:\\Kest") &&
                    MoveFileA("Plain.txt", "D:P.txt");
         },
         kDone, kUntouched, [](winsim::Machine& m) { return m.Exists("D:\\Data\\P.txt"); }},
    });
}

// Full paths are made from the text alone: the name need not exist.
TEST(FilesPaths, FullPathNames) {
    winsim::Machine m;
    m.AddFolder("C:\\Work");
    m.AddFolder("D:\\Lists");
    ASSERT_TRUE(SetCurrentDirectoryA("D:\\Lists") && SetCurrentDirectoryA("C:\\Work"));
    const std::pair<const char*, const char*> cases[] = {
        {"x.lst", "C:\\Work\\x.lst"}, {"..\\x.lst", "C:\\x.lst"},
        {"\\x.lst", "C:\\x.lst"},     {"D:x.lst", "D:\\Lists\\x.lst"},
        {"Q:x.lst", "Q:\\x.lst"},     {"C:\\A\\.\\B\\", "C:\\A\\B\\"},
        {"d:\\Lists", "d:\\Lists"},
    };
    for (const auto& c : cases) {
        char buffer[MAX_PATH];
        char* filePart = nullptr;
        const DWORD length = GetFullPathNameA(c.first, MAX_PATH, buffer, &filePart);
        EXPECT_EQ(std::string(buffer, length), c.second) << c.first;
    }
    char small[4];
    EXPECT_EQ(GetFullPathNameA("x.lst", sizeof small, small, nullptr), 14u);  // with its NUL
}

// MoveFileExA replaces an existing file on the NT family; the 9x family has no such call.
TEST(FilesPaths, MovesReplacingAFile) {
    RunCases({
        {"onto an existing file",
         [] {
             return MoveFileExA("C:\\Kest\\Plain.txt", "C:\\Kest\\Kest.Exe",
                                MOVEFILE_REPLACE_EXISTING);
         },
         kDone, kUntouched,
         [](winsim::Machine& m) {
             return m.Content("C:\\Kest\\Kest.Exe") == "plain" && !m.Exists("C:\\Kest\\Plain.txt");
         }},
        {"without the flag",
         [] { return MoveFileExA("C:\\Kest\\Plain.txt", "C:\\Kest\\Kest.Exe", 0); }, kFail,
         ERROR_ALREADY_EXISTS,
         [](winsim::Machine& m) { return m.Content("C:\\Kest\\Kest.Exe") == "MZ program"; }},
        {"onto a read-only file",
         [] {
             return MoveFileExA("C:\\Kest\\Plain.txt", "C:\\Kest\\ReadOnly.txt",
                                MOVEFILE_REPLACE_EXISTING);
         },
         kFail, ERROR_ACCESS_DENIED,
         [](winsim::Machine& m) { return m.Content("C:\\Kest\\ReadOnly.txt") == "keep"; }},
        {"onto a file in use",
         [] {
             return MoveFileExA("C:\\Kest\\Plain.txt", "C:\\Busy\\KestDel.Exe",
                                MOVEFILE_REPLACE_EXISTING);
         },
         kFail, ERROR_SHARING_VIOLATION,
         [](winsim::Machine& m) { return m.Content("C:\\Busy\\KestDel.Exe") == "MZ"; }},
        {"on Windows 98",
         [] {
             winsim::Machine::Current().SetWindows98();
             return MoveFileExA("C:\\Kest\\Plain.txt", "C:\\Kest\\New.txt", 0);
         },
         kFail, ERROR_CALL_NOT_IMPLEMENTED,
         [](winsim::Machine& m) { return m.Exists("C:\\Kest\\Plain.txt"); }},
    });
}

TEST(FilesPaths, CurrentFolderLengths) {
    winsim::Machine m;
    m.AddFolder("C:\\Kest");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\Kest\\"));
    char buffer[16] = "untouched";
    EXPECT_EQ(8u, GetCurrentDirectoryA(0, nullptr));  // needed size, with its NUL
    EXPECT_EQ(8u, GetCurrentDirectoryA(7, buffer));
    EXPECT_STREQ("untouched", buffer);
    EXPECT_EQ(7u, GetCurrentDirectoryA(8, buffer));  // the length, without the NUL
    EXPECT_STREQ("C:\\Kest", buffer);
}
