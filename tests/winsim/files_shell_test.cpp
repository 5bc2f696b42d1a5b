// The shell's deletion: to the recycle bin with undo allowed, for good without.
#include <gtest/gtest.h>
#include <shellapi.h>
#include <winsim/Machine.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const FILEOP_FLAGS kToBin = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO;

int Delete(const std::string& list, FILEOP_FLAGS flags) {
    std::string from = list + '\0';  // the list ends with a second NUL
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = flags;
    return SHFileOperationA(&op);
}

void Build(winsim::Machine& m) {
    m.AddFile("C:\\Kest\\Kest.Exe", "MZ");
    m.AddFile("C:\\Kest\\Fonts\\Kest.ttf", "font", FILE_ATTRIBUTE_READONLY);
    m.AddFile("C:\\Kest\\KestDel.Exe", "MZ");
    m.AddFile("C:\\Data\\Notes.txt", "notes");
    m.AddFolder("C:\\Data\\Empty");
    m.AddDrive('E', DRIVE_REMOVABLE, true);
    m.AddFile("E:\\Kest.Exe", "MZ");
}

using Lines = std::vector<std::string>;

struct Case {
    const char* what;
    std::string list;  // items separated by NUL
    FILEOP_FLAGS flags;
    std::function<void(winsim::Machine&)> prepare;
    int result;
    Lines recycled;
    Lines transcript;  // recycle: and delete: lines
    Lines stillThere;  // paths that must remain
};

void NoPreparation(winsim::Machine&) {}

}  // namespace

TEST(FilesShell, Delete) {
    const Case cases[] = {
        {"a folder goes to the bin whole",
         "C:\\Kest",
         kToBin,
         NoPreparation,
         0,
         {"C:\\Kest"},
         {"recycle: C:\\Kest"},
         {"C:\\Data\\Notes.txt"}},
        {"a read-only file goes as well",
         "C:\\Kest\\Fonts\\Kest.ttf",
         kToBin,
         NoPreparation,
         0,
         {"C:\\Kest\\Fonts\\Kest.ttf"},
         {"recycle: C:\\Kest\\Fonts\\Kest.ttf"},
         {"C:\\Kest\\Fonts"}},
        {"several items in order",
         std::string("C:\\Data\\Notes.txt\0c:\\data\\empty", 32),
         kToBin,
         NoPreparation,
         0,
         {"C:\\Data\\Notes.txt", "c:\\data\\empty"},
         {"recycle: C:\\Data\\Notes.txt", "recycle: c:\\data\\empty"},
         {"C:\\Data"}},
        {"without undo the item is deleted",
         "C:\\Data",
         FOF_SILENT | FOF_NOCONFIRMATION,
         NoPreparation,
         0,
         {},
         {"delete: C:\\Data"},
         {"C:\\Kest"}},
        {"a missing item", "C:\\Kest\\None.txt", kToBin, NoPreparation, 2, {}, {}, {"C:\\Kest"}},
        {"an item in a missing folder", "C:\\None\\x", kToBin, NoPreparation, 0x7C, {}, {}, {}},
        {"a path ending in a backslash",
         "C:\\Kest\\",
         kToBin,
         NoPreparation,
         0x7C,
         {},
         {},
         {"C:\\Kest\\Kest.Exe"}},
        {"an item the shell refuses",
         "C:\\Kest",
         kToBin,
         [](winsim::Machine& m) { m.RefuseRecycle("c:\\kest"); },
         0x78,
         {},
         {},
         {"C:\\Kest\\KestDel.Exe"}},
        {"a broken bin",
         "C:\\Data\\Notes.txt",
         kToBin,
         [](winsim::Machine& m) { m.faults.recycleBinBroken = true; },
         0x78,
         {},
         {},
         {"C:\\Data\\Notes.txt"}},
        {"a folder holding a file in use stays whole",
         "C:\\Kest",
         kToBin,
         [](winsim::Machine& m) { m.SetInUse("C:\\Kest\\KestDel.Exe"); },
         ERROR_SHARING_VIOLATION,
         {},
         {},
         {"C:\\Kest\\Kest.Exe", "C:\\Kest\\Fonts\\Kest.ttf", "C:\\Kest\\KestDel.Exe"}},
        {"a folder holding the current folder",
         "C:\\Kest",
         kToBin,
         [](winsim::Machine& m) { m.currentFolder = "C:\\Kest\\Fonts"; },
         ERROR_SHARING_VIOLATION,
         {},
         {},
         {"C:\\Kest\\Fonts\\Kest.ttf"}},
        {"a file with an open handle",
         "C:\\Data\\Notes.txt",
         kToBin,
         [](winsim::Machine&) {
             CreateFileA("C:\\Data\\Notes.txt", GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, 0, nullptr);
         },
         ERROR_SHARING_VIOLATION,
         {},
         {},
         {"C:\\Data\\Notes.txt"}},
        {"a write-protected medium",
         "E:\\Kest.Exe",
         kToBin,
         NoPreparation,
         ERROR_WRITE_PROTECT,
         {},
         {},
         {"E:\\Kest.Exe"}},
        {"the first failure stops the list",
         std::string("C:\\None\0C:\\Data", 15),
         kToBin,
         NoPreparation,
         2,
         {},
         {},
         {"C:\\Data\\Notes.txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        winsim::Machine m;
        Build(m);
        c.prepare(m);
        EXPECT_EQ(c.result, Delete(c.list, c.flags));
        EXPECT_EQ(c.recycled, m.recycled);
        Lines lines = m.Lines("recycle: ");
        for (const auto& line : m.Lines("delete: ")) lines.push_back(line);
        EXPECT_EQ(c.transcript, lines);
        for (const auto& path : c.stillThere) EXPECT_TRUE(m.Exists(path)) << path;
        for (const auto& path : c.recycled) EXPECT_FALSE(m.Exists(path)) << path;
    }
}

TEST(FilesShell, OnlyDeletionIsOffered) {
    winsim::Machine m;
    m.AddFile("C:\\a.txt");
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_COPY;
    op.pFrom = "C:\\a.txt\0";
    op.pTo = "C:\\b.txt\0";
    EXPECT_NE(0, SHFileOperationA(&op));
    EXPECT_FALSE(m.Exists("C:\\b.txt"));
    op.wFunc = FO_DELETE;
    op.pFrom = "\0";
    EXPECT_NE(0, SHFileOperationA(&op));
    EXPECT_TRUE(m.Exists("C:\\a.txt"));
}

namespace {

// What a program learns of the recycle bin before it hands the shell anything: the
// question, looked up at run time, answers for a fixed drive unless Wine's trash cannot
// be used; a delete for good follows a link inside the folder, as Wine's does.
TEST(FilesShell, RecycleBinQuestionAndDeleteForGoodThroughLinks) {
    winsim::Machine m;
    m.AddDrive('E', DRIVE_REMOVABLE);
    typedef HRESULT(WINAPI * Query)(LPCSTR, SHQUERYRBINFO*);
    Query query = reinterpret_cast<Query>(reinterpret_cast<void (*)(void)>(
        GetProcAddress(GetModuleHandleA("shell32.dll"), "SHQueryRecycleBinA")));
    ASSERT_NE(query, nullptr);
    SHQUERYRBINFO info = {};
    info.cbSize = sizeof info;
    EXPECT_EQ(query("C:\\", &info), S_OK);
    EXPECT_EQ(query("E:\\", &info), E_FAIL);
    m.recycleBinUnusable = true;
    EXPECT_EQ(query("C:\\", &info), E_FAIL);
    m.noRecycleBinQuery = true;
    EXPECT_EQ(GetProcAddress(GetModuleHandleA("shell32.dll"), "SHQueryRecycleBinA"), nullptr);

    m.AddFile("C:\\Other\\thesis.doc", "thesis");
    m.AddFile("C:\\Data\\a.txt", "a");
    m.AddLink("C:\\Data\\Link", "C:\\Other");
    EXPECT_EQ(Delete("C:\\Data", kToBin), 0);
    EXPECT_FALSE(m.Exists("C:\\Data"));
    EXPECT_TRUE(m.Exists("C:\\Other"));
    EXPECT_FALSE(m.Exists("C:\\Other\\thesis.doc"));
}

// A name the code page cannot express is listed best fit and reached by no A name.
TEST(FilesShell, BestFitNamesAreListedButNotReached) {
    winsim::Machine m;
    m.AddFolder("C:\\Data");
    m.AddUnicodeFile("C:\\Data", "x\xEF\xBC\xBC..\xE2\x82\xAC.txt", "odd");
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA("C:\\Data\\*.*", &entry);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::vector<std::string> names;
    do names.push_back(entry.cFileName);
    while (FindNextFileA(search, &entry));
    FindClose(search);
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "x\\..?.txt"}));
    EXPECT_EQ(GetFileAttributesA("C:\\Data\\x\\..?.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(FindFirstFileA("C:\\Data\\x\xEF\xBC\xBC..\xE2\x82\xAC.txt", &entry),
              INVALID_HANDLE_VALUE);
}

}  // namespace
