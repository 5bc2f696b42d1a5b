// Opening, reading and writing files: dispositions, attributes, sharing, drives and
// media, a full disk, and the time conversions.
#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <string>
#include <vector>

namespace {

const DWORD kUntouched = 0xDEAD;
const DWORD kRead = GENERIC_READ;
const DWORD kWrite = GENERIC_WRITE;
const DWORD kBoth = GENERIC_READ | GENERIC_WRITE;

void Build(winsim::Machine& m) {
    m.AddFile("C:\\Kest\\Old.txt", "old content");
    m.AddFile("C:\\Kest\\KestDel.Exe", "MZ");
    m.SetInUse("C:\\Kest\\KestDel.Exe");
    m.AddDrive('E', DRIVE_REMOVABLE, true);
    m.AddFile("E:\\Setup.Ini", "[Setup]");
    m.AddDrive('F', DRIVE_CDROM, true);
    m.AddFile("F:\\Kest.Ex_", "data");
    m.AddDrive('A', DRIVE_REMOVABLE, false, false);
}

struct OpenCase {
    const char* what;
    const char* path;
    DWORD access;
    DWORD share;
    DWORD creation;
    bool opens;
    DWORD error;
    const char* contentAfter;  // nullptr: the file does not exist afterwards
    size_t writeLines;         // "write: " lines in the transcript
};

}  // namespace

TEST(FilesIo, OpenAndCreate) {
    const OpenCase cases[] = {
        {"CREATE_ALWAYS empties an existing file", "C:\\Kest\\Old.txt", kBoth, 0, CREATE_ALWAYS,
         true, ERROR_ALREADY_EXISTS, "", 1},
        {"CREATE_ALWAYS makes a new file", "C:\\Kest\\New.txt", kBoth, 0, CREATE_ALWAYS, true, 0,
         "", 1},
        {"OPEN_ALWAYS of a missing file creates it", "C:\\Kest\\New.txt", kBoth, 0, OPEN_ALWAYS,
         true, 0, "", 1},
        {"TRUNCATE_EXISTING", "C:\\Kest\\Old.txt", kWrite, 0, TRUNCATE_EXISTING, true, 0, "", 1},
        {"a file in use, for writing", "C:\\Kest\\KestDel.Exe", kWrite, 0, OPEN_EXISTING, false,
         ERROR_SHARING_VIOLATION, "MZ", 0},
        {"a file in use, overwritten", "C:\\Kest\\KestDel.Exe", kBoth, 0, CREATE_ALWAYS, false,
         ERROR_SHARING_VIOLATION, "MZ", 0},
        {"a file in use, read sharing reads", "C:\\Kest\\KestDel.Exe", kRead, FILE_SHARE_READ,
         OPEN_EXISTING, true, 0, "MZ", 0},
        {"a file in use, read without sharing", "C:\\Kest\\KestDel.Exe", kRead, 0, OPEN_EXISTING,
         false, ERROR_SHARING_VIOLATION, "MZ", 0},
        {"write-protected medium: read", "E:\\Setup.Ini", kRead, FILE_SHARE_READ, OPEN_EXISTING,
         true, 0, "[Setup]", 0},
        {"write-protected medium: write", "E:\\Setup.Ini", kWrite, 0, OPEN_EXISTING, false,
         ERROR_WRITE_PROTECT, "[Setup]", 0},
        {"write-protected medium: create", "E:\\New.txt", kBoth, 0, CREATE_ALWAYS, false,
         ERROR_WRITE_PROTECT, nullptr, 0},
        {"CD-ROM: create", "F:\\New.txt", kBoth, 0, CREATE_ALWAYS, false, ERROR_ACCESS_DENIED,
         nullptr, 0},
        {"CD-ROM: overwrite", "F:\\Kest.Ex_", kBoth, 0, CREATE_ALWAYS, false, ERROR_ACCESS_DENIED,
         "data", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        winsim::Machine m;
        Build(m);
        m.lastError = kUntouched;
        HANDLE h = CreateFileA(c.path, c.access, c.share, nullptr, c.creation,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(c.opens, h != INVALID_HANDLE_VALUE);
        EXPECT_EQ(c.error, m.lastError);
        if (h != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(CloseHandle(h));
        }
        EXPECT_EQ(c.contentAfter != nullptr, m.Exists(c.path));
        if (c.contentAfter) {
            EXPECT_EQ(c.contentAfter, m.Content(c.path));
        }
        EXPECT_EQ(c.writeLines, m.Lines("write: ").size());
    }
}

TEST(FilesIo, NewFilesCarryTheArchiveBit) {
    winsim::Machine m;
    HANDLE h = CreateFileA("C:\\New.txt", kWrite, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    CloseHandle(h);
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), GetFileAttributesA("C:\\New.txt"));
    EXPECT_EQ(std::vector<std::string>{"write: C:\\New.txt"}, m.Lines("write: "));
}

TEST(FilesIo, SharingBetweenHandles) {
    struct Case {
        DWORD firstAccess, firstShare, secondAccess, secondShare;
        bool secondOpens;
    };
    const Case cases[] = {
        {kRead, FILE_SHARE_READ, kRead, FILE_SHARE_READ, true},
        {kRead, 0, kRead, FILE_SHARE_READ, false},
        {kRead, FILE_SHARE_READ, kWrite, FILE_SHARE_READ, false},
        {kRead, FILE_SHARE_READ | FILE_SHARE_WRITE, kWrite, FILE_SHARE_READ, true},
        {kWrite, FILE_SHARE_READ, kRead, FILE_SHARE_READ, false},  // must share writing
        {kWrite, FILE_SHARE_READ, kRead, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
        {kBoth, 0, kRead, FILE_SHARE_READ | FILE_SHARE_WRITE, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.firstAccess << "/" << c.firstShare << " then "
                                        << c.secondAccess << "/" << c.secondShare);
        winsim::Machine m;
        m.AddFile("C:\\f.txt", "x");
        HANDLE first = CreateFileA("C:\\f.txt", c.firstAccess, c.firstShare, nullptr, OPEN_EXISTING,
                                   0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, first);
        m.lastError = kUntouched;
        HANDLE second = CreateFileA("C:\\f.txt", c.secondAccess, c.secondShare, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(c.secondOpens, second != INVALID_HANDLE_VALUE);
        EXPECT_EQ(c.secondOpens ? 0u : static_cast<DWORD>(ERROR_SHARING_VIOLATION), m.lastError);
        if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
        // An open handle without delete sharing keeps the file from going or moving.
        EXPECT_FALSE(DeleteFileA("C:\\f.txt"));
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), m.lastError);
        EXPECT_FALSE(MoveFileA("C:\\f.txt", "C:\\g.txt"));
        CloseHandle(first);
        EXPECT_TRUE(DeleteFileA("C:\\f.txt"));
    }
}

TEST(FilesIo, ReadWriteAndSeek) {
    winsim::Machine m;
    HANDLE h = CreateFileA("C:\\f.bin", kBoth, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(h, "hello world", 11, &done, nullptr));
    EXPECT_EQ(11u, done);
    EXPECT_EQ(6u, SetFilePointer(h, 6, nullptr, FILE_BEGIN));
    ASSERT_TRUE(WriteFile(h, "WORLD!", 6, &done, nullptr));
    EXPECT_EQ(12u, GetFileSize(h, nullptr));
    EXPECT_EQ(0u, SetFilePointer(h, -12, nullptr, FILE_END));
    char buffer[32] = {};
    ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ("hello WORLD!", std::string(buffer, done));
    ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &done, nullptr));  // at the end: 0 bytes
    EXPECT_EQ(0u, done);
    EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(h, -1, nullptr, FILE_BEGIN));
    EXPECT_EQ(131u, m.lastError);  // ERROR_NEGATIVE_SEEK
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ("hello WORLD!", m.Content("C:\\f.bin"));

    m.lastError = kUntouched;
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), m.lastError);
    EXPECT_FALSE(WriteFile(h, "x", 1, &done, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), m.lastError);
}

TEST(FilesIo, HandlesOpenedOneWayRefuseTheOther) {
    winsim::Machine m;
    m.AddFile("C:\\f.txt", "abc");
    HANDLE reader =
        CreateFileA("C:\\f.txt", kRead, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD done = 7;
    EXPECT_FALSE(WriteFile(reader, "x", 1, &done, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), m.lastError);
    EXPECT_EQ(0u, done);
    CloseHandle(reader);
    HANDLE writer = CreateFileA("C:\\f.txt", kWrite, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    char buffer[4];
    EXPECT_FALSE(ReadFile(writer, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), m.lastError);
    CloseHandle(writer);
    EXPECT_EQ("abc", m.Content("C:\\f.txt"));
}

TEST(FilesIo, FullDiskWritesWhatFits) {
    winsim::Machine m;
    m.AddFile("C:\\Kest\\$$$.$$$", "old");
    m.SetFreeSpace('C', 5);
    HANDLE h = CreateFileA("C:\\Kest\\$$$.$$$", kBoth, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD done = 0;
    EXPECT_FALSE(WriteFile(h, "$$$.$$$", 7, &done, nullptr));
    EXPECT_EQ(5u, done);
    EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), m.lastError);
    EXPECT_FALSE(WriteFile(h, "x", 1, &done, nullptr));
    EXPECT_EQ(0u, done);
    // Rewriting bytes already on the disk needs no space.
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    EXPECT_TRUE(WriteFile(h, "#####", 5, &done, nullptr));
    CloseHandle(h);
    EXPECT_EQ("#####", m.Content("C:\\Kest\\$$$.$$$"));
    // Other drives are not affected.
    m.AddDrive('D', DRIVE_FIXED);
    h = CreateFileA("D:\\f", kWrite, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_TRUE(WriteFile(h, "$$$.$$$", 7, &done, nullptr));
    CloseHandle(h);
}

TEST(FilesIo, DriveTypes) {
    winsim::Machine m;
    m.AddDrive('A', DRIVE_REMOVABLE, false, false);
    m.AddDrive('R', DRIVE_CDROM, true);
    m.AddDrive('N', DRIVE_REMOTE);
    const std::pair<const char*, UINT> cases[] = {
        {"A:\\", DRIVE_REMOVABLE},
        {"R:\\", DRIVE_CDROM},
        {"N:\\", DRIVE_REMOTE},
    };
    for (const auto& c : cases) EXPECT_EQ(c.second, GetDriveTypeA(c.first)) << c.first;
    EXPECT_EQ(static_cast<UINT>(DRIVE_FIXED), GetDriveTypeA(nullptr));  // the current drive
}

TEST(FilesIo, NoMediumAsksUnlessCriticalErrorsAreOff) {
    for (UINT mode : {0u, static_cast<UINT>(SEM_FAILCRITICALERRORS)}) {
        SCOPED_TRACE(mode);
        winsim::Machine m;
        m.AddDrive('A', DRIVE_REMOVABLE, false, false);
        m.errorMode = mode;
        EXPECT_EQ(INVALID_HANDLE_VALUE,
                  CreateFileA("A:\\$$$.$$$", kBoth, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_READY), m.lastError);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("A:\\Setup.Ini"));
        EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_READY), m.lastError);
        size_t boxes = mode ? 0 : 2;
        EXPECT_EQ(boxes, m.boxes.size());
        EXPECT_EQ(boxes, m.Lines("box: Windows - No Disk | ").size());
        for (const auto& box : m.boxes) EXPECT_EQ("Windows - No Disk", box.caption);
        // The drive is still there; only its medium is missing.
        EXPECT_EQ(static_cast<UINT>(DRIVE_REMOVABLE), GetDriveTypeA("A:\\"));
    }
}

TEST(FilesIo, TimeConversions) {
    struct Case {
        WORD date, time;
    };
    const Case cases[] = {
        {0x5021, 0x0000},                       // 2020-01-01 00:00:00
        {(20 << 9) | (2 << 5) | 29, 0xBF7D},    // 2000-02-29 23:59:58
        {(0 << 9) | (1 << 5) | 1, 0},           // 1980-01-01, the first DOS date
        {(127 << 9) | (12 << 5) | 31, 0xBF7D},  // 2107-12-31, the last
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.date << " " << c.time);
        winsim::Machine m;
        m.AddFile("C:\\f.txt");
        m.SetDosWriteTime("C:\\f.txt", c.date, c.time);
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA("C:\\f.txt", &found);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        FindClose(h);
        FILETIME local;
        ASSERT_TRUE(FileTimeToLocalFileTime(&found.ftLastWriteTime, &local));
        WORD date = 0, time = 0;
        ASSERT_TRUE(FileTimeToDosDateTime(&local, &date, &time));
        EXPECT_EQ(c.date, date);
        EXPECT_EQ(c.time, time);
    }
}

// A link to a file and a second name of a file (hard link): what opening, writing,
// attributes, CREATE_NEW, DeleteFileA and a replacing rename do to each, as Windows does.
TEST(FilesIo, FileLinksAndHardLinks) {
    for (bool hard : {false, true}) {
        winsim::Machine m;
        m.AddFile("C:\\Bob\\thesis.txt", "chapter 1", FILE_ATTRIBUTE_HIDDEN);
        const char* name = "C:\\Data\\x.txt";
        if (hard) {
            m.AddHardLink(name, "C:\\Bob\\thesis.txt");
        } else {
            m.AddLink(name, "C:\\Bob\\thesis.txt");
        }
        EXPECT_EQ(GetFileAttributesA(name),
                  hard ? static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN)
                       : static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT));
        EXPECT_EQ(CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(m.lastError, static_cast<DWORD>(ERROR_FILE_EXISTS));
        HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        BY_HANDLE_FILE_INFORMATION information;
        ASSERT_TRUE(GetFileInformationByHandle(file, &information));
        EXPECT_EQ(information.nNumberOfLinks, hard ? 2u : 1u);
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(file, "x", 1, &written, nullptr));
        CloseHandle(file);
        EXPECT_EQ(m.Content("C:\\Bob\\thesis.txt"), "x") << "written through the link";
        EXPECT_TRUE(SetFileAttributesA(name, 0));
        EXPECT_EQ(m.Attributes("C:\\Bob\\thesis.txt"), 0u) << "the attributes of the file";

        m.AddFile("C:\\Data\\new.txt", "ours");
        EXPECT_TRUE(MoveFileExA("C:\\Data\\new.txt", name, MOVEFILE_REPLACE_EXISTING));
        EXPECT_EQ(m.Content(name), "ours");
        EXPECT_EQ(m.Content("C:\\Bob\\thesis.txt"), "x") << "the file stays";
        EXPECT_TRUE(DeleteFileA(name));
        EXPECT_TRUE(m.Exists("C:\\Bob\\thesis.txt"));
    }
    winsim::Machine m;
    m.AddFile("C:\\Bob\\thesis.txt", "chapter 1");
    m.AddLink("C:\\Data\\x.txt", "C:\\Bob\\thesis.txt");
    EXPECT_TRUE(DeleteFileA("C:\\Data\\x.txt")) << "Windows deletes the link itself";
    EXPECT_EQ(m.Content("C:\\Bob\\thesis.txt"), "chapter 1");
}
