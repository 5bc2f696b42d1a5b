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
    m.AddFile("C:\\Kest\\Plain.txt", "plain", 0);
    m.AddFolder("C:\\Kest\\Empty");
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

}  // namespace

TEST(FilesPaths, Deletions) {
    RunCases({
        {"remove an empty folder", [] { return RemoveDirectoryA("C:\\Kest\\Empty\\"); }, kDone,
         kUntouched,
         [](winsim::Machine& m) {
             return !m.Exists("C:\\Kest\\Empty") &&
                    m.Lines("rmdir: ") == std::vector<std::string>{"rmdir: C:\\Kest\\Empty\\"};
         }},
        {"a plain file", [] { return DeleteFileA("c:\\kest\\plain.txt"); }, kDone, kUntouched,
         [](winsim::Machine& m) {
             return !m.Exists("C:\\Kest\\Plain.txt") &&
                    m.Lines("delete: ") == std::vector<std::string>{"delete: c:\\kest\\plain.txt"};
         }},
        {"a file in use", [] { return DeleteFileA("C:\\Busy\\KestDel.Exe"); }, kFail,
         ERROR_ACCESS_DENIED, [](winsim::Machine& m) { return m.Exists("C:\\Busy\\KestDel.Exe"); }},
        {"a missing file", [] { return DeleteFileA("C:\\Kest\\None"); }, kFail,
         ERROR_FILE_NOT_FOUND, [](winsim::Machine& m) { return m.Lines("delete: ").empty(); }},
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
        {"a file in use", [] { return MoveFileA("C:\\Busy\\KestDel.Exe", "C:\\Busy\\Old.Exe"); },
         kFail, ERROR_SHARING_VIOLATION,
         [](winsim::Machine& m) { return m.Exists("C:\\Busy\\KestDel.Exe"); }},
        {"a folder that holds a file in use", [] { return MoveFileA("C:\\Busy", "C:\\Gone"); },
         kFail, ERROR_ACCESS_DENIED, [](winsim::Machine& m) { return m.IsFolder("C:\\Busy"); }},
        {"a folder to another drive", [] { return MoveFileA("C:\\Kest\\Empty", "D:\\Empty"); },
         kFail, ERROR_NOT_SAME_DEVICE, nullptr},
        // MoveFileExA replaces an existing file on the NT family; the 9x family has no such call.
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

TEST(FilesPaths, CurrentFolder) {
    RunCases({
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

// Each drive keeps its own current folder for full paths too.
TEST(FilesPaths, FullPathNamesOnAnotherDrive) {
    winsim::Machine m;
    m.AddFolder("C:\\Work");
    m.AddFolder("D:\\Lists");
    ASSERT_TRUE(SetCurrentDirectoryA("D:\\Lists") && SetCurrentDirectoryA("C:\\Work"));
    const std::pair<const char*, const char*> cases[] = {
        {"D:x.lst", "D:\\Lists\\x.lst"},
        {"d:\\Lists", "d:\\Lists"},
    };
    for (const auto& c : cases) {
        char buffer[MAX_PATH];
        char* filePart = nullptr;
        const DWORD length = GetFullPathNameA(c.first, MAX_PATH, buffer, &filePart);
        EXPECT_EQ(std::string(buffer, length), c.second) << c.first;
    }
}
