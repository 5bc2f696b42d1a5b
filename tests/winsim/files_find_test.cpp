// Directory searches and short path names.
#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const DWORD kUntouched = 0xDEAD;

// Every name a search returns, in order; empty with the error in `error` when it
// finds nothing.
std::vector<std::string> Search(const char* pattern, DWORD* error = nullptr) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern, &data);
    if (h == INVALID_HANDLE_VALUE) {
        if (error) *error = GetLastError();
        return names;
    }
    do names.push_back(data.cFileName);
    while (FindNextFileA(h, &data));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_FILES), GetLastError());
    EXPECT_TRUE(FindClose(h));
    return names;
}

using Names = std::vector<std::string>;

}  // namespace

TEST(FilesFind, Patterns) {
    winsim::Machine m;
    for (const char* name : {"LangEng", "Lang.txt", "readme", "a.html", "ab.h", "Kest.Ex_"})
        m.AddFile(std::string("C:\\F\\") + name);
    m.AddFolder("C:\\F\\Fonts");
    struct Case {
        const char* pattern;
        Names names;
    };
    const Case cases[] = {
        {"C:\\F\\*.*",
         {".", "..", "LangEng", "Lang.txt", "readme", "a.html", "ab.h", "Kest.Ex_", "Fonts"}},
        {"C:\\F\\*",
         {".", "..", "LangEng", "Lang.txt", "readme", "a.html", "ab.h", "Kest.Ex_", "Fonts"}},
        {"C:\\F\\A~1.HTM", {"a.html"}},  // an exact alias finds the entry by its long name
        {"C:\\*.*", {"Windows", "F"}},   // no "." or ".." in a root
    };
    for (const auto& c : cases) EXPECT_EQ(c.names, Search(c.pattern)) << c.pattern;
}

TEST(FilesFind, NoMedium) {
    winsim::Machine m;
    m.AddDrive('A', DRIVE_REMOVABLE, false, false);
    m.errorMode = SEM_FAILCRITICALERRORS;
    DWORD error = kUntouched;
    EXPECT_TRUE(Search("A:\\*.*", &error).empty());
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_READY), error);
}

TEST(FilesFind, EnumerationOrderAndEntries) {
    winsim::Machine m;
    m.AddFile("C:\\P\\One.txt", "1");
    m.AddFile("C:\\P\\Two.txt", "22", FILE_ATTRIBUTE_HIDDEN);
    m.AddFolder("C:\\P\\Sub");
    m.AddFile("C:\\P\\Three Long Name.txt", "333");
    EXPECT_EQ((Names{".", "..", "One.txt", "Two.txt", "Sub", "Three Long Name.txt"}),
              Search("C:\\P\\*.*"));
    m.SetEnumerationOrder("C:\\P", {"Sub", "three long name.txt", "Gone"});
    EXPECT_EQ((Names{".", "..", "Sub", "Three Long Name.txt", "One.txt", "Two.txt"}),
              Search("C:\\P\\*.*"));
    EXPECT_EQ((Names{"Sub", "Three Long Name.txt", "One.txt", "Two.txt"}), m.List("C:\\P"));

    FILETIME t = {0x12345678, 0x01D00000};
    m.SetWriteTime("C:\\P\\Three Long Name.txt", t);
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA("C:\\P\\three*", &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    FindClose(h);
    EXPECT_STREQ("Three Long Name.txt", data.cFileName);
    EXPECT_STREQ("THREEL~1.TXT", data.cAlternateFileName);
    EXPECT_EQ(3u, data.nFileSizeLow);
    EXPECT_EQ(t.dwLowDateTime, data.ftLastWriteTime.dwLowDateTime);
    EXPECT_EQ(t.dwHighDateTime, data.ftLastWriteTime.dwHighDateTime);
    h = FindFirstFileA("C:\\P\\Two.txt", &data);
    FindClose(h);
    EXPECT_STREQ("", data.cAlternateFileName);  // already an 8.3 name
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN), data.dwFileAttributes);
}

TEST(FilesFind, ShortNames) {
    winsim::Machine m;
    m.AddFolder("C:\\Program Files\\Tessaly Kest");
    m.AddFolder("C:\\Program Data");
    m.AddFile("C:\\Program Files\\Tessaly Kest\\KestDel.Exe");
    m.AddFile("C:\\Program Files\\Tessaly Kest\\Kest Deluxe.exe");
    m.AddFile("C:\\Program Files\\Tessaly Kest\\my.file.name.html");
    m.AddFile("C:\\Program Files\\Tessaly Kest\\a+b=c.txt");
    m.AddFile("C:\\Windows\\kest.ini");
    m.AddFile("C:\\Custom Name\\x.txt");
    m.SetShortName("C:\\Custom Name", "CUSTOM");
    struct Case {
        const char* path;
        const char* shortPath;
    };
    const Case cases[] = {
        {"C:\\Program Files", "C:\\PROGRA~1"},
        {"C:\\Program Data", "C:\\PROGRA~2"},
        {"c:\\program files\\tessaly kest\\", "c:\\PROGRA~1\\TESSAL~1\\"},
        {"C:\\Program Files\\Tessaly Kest\\KestDel.Exe", "C:\\PROGRA~1\\TESSAL~1\\KestDel.Exe"},
        {"C:\\Program Files\\Tessaly Kest\\Kest Deluxe.exe",
         "C:\\PROGRA~1\\TESSAL~1\\KESTDE~1.EXE"},
        {"C:\\Program Files\\Tessaly Kest\\my.file.name.html",
         "C:\\PROGRA~1\\TESSAL~1\\MYFILE~1.HTM"},
        {"C:\\Program Files\\Tessaly Kest\\a+b=c.txt", "C:\\PROGRA~1\\TESSAL~1\\A_B_C~1.TXT"},
        {"C:\\WINDOWS\\KEST.INI", "C:\\Windows\\kest.ini"},  // stored names of 8.3 entries
        {"C:\\Custom Name\\x.txt", "C:\\CUSTOM\\x.txt"},
        {"C:\\PROGRA~1\\TESSAL~1", "C:\\PROGRA~1\\TESSAL~1"},
        {"C:\\", "C:\\"},
    };
    for (const auto& c : cases) {
        char buffer[MAX_PATH] = {};
        DWORD length = GetShortPathNameA(c.path, buffer, sizeof buffer);
        EXPECT_STREQ(c.shortPath, buffer) << c.path;
        EXPECT_EQ(std::strlen(c.shortPath), length) << c.path;
    }
}

TEST(FilesFind, NoShortNamesWhereTheDriveMakesNone) {
    winsim::Machine m;
    m.AddFolder("C:\\Program Files\\Kest");
    const char* path = "C:\\Program Files\\Kest";
    char buffer[32];
    m.SetShortNamesEnabled('C', false);
    EXPECT_EQ(std::strlen(path), GetShortPathNameA(path, buffer, sizeof buffer));
    EXPECT_STREQ(path, buffer);
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA("C:\\Program Files", &data);
    FindClose(h);
    EXPECT_STREQ("", data.cAlternateFileName);
}

TEST(FilesFind, AliasesStayUniqueAfterRenames) {
    winsim::Machine m;
    m.AddFile("C:\\D\\Long Name One.txt");
    m.AddFile("C:\\D\\Long Name Two.txt");
    ASSERT_TRUE(MoveFileA("C:\\D\\Long Name One.txt", "C:\\D\\Long Name Three.txt"));
    char a[MAX_PATH], b[MAX_PATH];
    ASSERT_NE(0u, GetShortPathNameA("C:\\D\\Long Name Three.txt", a, sizeof a));
    ASSERT_NE(0u, GetShortPathNameA("C:\\D\\Long Name Two.txt", b, sizeof b));
    EXPECT_STRNE(a, b);
}
