// lz32 on the simulated machine: SZDD files made by Debian's mscompress at test time
// expand byte for byte, and the failures of the opens and of the copy on a machine set
// up for them are those the system relies on.
#include <gtest/gtest.h>
#include <lzexpand.h>
#include <winsim/Machine.h>

#include <string>

#include "Compress.h"

namespace {

const WORD kSourceStyle = OF_READ | OF_SHARE_DENY_WRITE;              // 32
const WORD kTargetStyle = OF_CREATE | OF_SHARE_EXCLUSIVE | OF_WRITE;  // 4113

// Text with repeats, so that the compressor has something to do.
std::string Sample(size_t size) {
    std::string s;
    unsigned seed = 7;
    while (s.size() < size) {
        seed = seed * 1103515245u + 12345u;
        s += "Tessaly Kest "[(seed >> 16) % 13];
        if ((seed >> 8) % 50 == 0) s += "\r\n";
    }
    s.resize(size);
    return s;
}

// The copy as the setup launcher makes it; the result of LZCopy, or the failing open's.
LONG Copy(const char* source, const char* target, OFSTRUCT* reopen = nullptr) {
    OFSTRUCT local;
    OFSTRUCT* ofs = reopen ? reopen : &local;
    std::string s = source, t = target;
    INT in = LZOpenFileA(&s[0], ofs, kSourceStyle);
    if (in < 0) return in;
    INT out = LZOpenFileA(&t[0], ofs, kTargetStyle);
    if (out < 0) {
        LZClose(in);
        return out;
    }
    LONG result = LZCopy(in, out);
    LZClose(out);
    LZClose(in);
    return result;
}

}  // namespace

TEST(FilesLz, ExpandsWhatMscompressMade) {
    if (!HaveCompressor()) GTEST_SKIP() << "mscompress is not installed";
    // mscompress mangles inputs of a few bytes, so the samples are longer.
    for (size_t size : {size_t{100}, size_t{4095}, size_t{5000}, size_t{70000}}) {
        SCOPED_TRACE(size);
        std::string original = Sample(size);
        std::string packed = Compress(original);
        ASSERT_EQ(0u, packed.compare(0, 8, "SZDD\x88\xf0\x27\x33"));
        winsim::Machine m;
        m.AddFile("D:\\Kest\\Win32\\Kest.Ex_", packed);
        m.AddFile("C:\\Windows\\Temp\\Kest.Exe",
                  "an older and longer program file, to be replaced");
        EXPECT_EQ(static_cast<LONG>(size),
                  Copy("D:\\Kest\\Win32\\Kest.Ex_", "C:\\Windows\\Temp\\Kest.Exe"));
        EXPECT_EQ(original, m.Content("C:\\Windows\\Temp\\Kest.Exe"));
        EXPECT_EQ(packed, m.Content("D:\\Kest\\Win32\\Kest.Ex_"));
    }
}

// As Wine's lz32: the data decides, not the length in the header. Data cut short expands
// as far as it goes, a header cut short copies as it stands, and an unknown method copies
// nothing and answers 0.
TEST(FilesLz, DamagedDataCopiesWhatLz32Reads) {
    if (!HaveCompressor()) GTEST_SKIP() << "mscompress is not installed";
    std::string original = Sample(5000);
    std::string packed = Compress(original);
    ASSERT_GT(packed.size(), 1000u);
    struct Case {
        const char* what;
        std::string stored;
        bool prefix;  // some of the original, not all
        std::string expected;
    } cases[] = {
        {"header cut short", packed.substr(0, 11), false, packed.substr(0, 11)},
        {"unknown method", WithUnknownMethod(packed), false, ""},
        {"data cut in the middle", packed.substr(0, 1000), true, ""},
        {"last byte missing", packed.substr(0, packed.size() - 1), true, ""},
        {"length beyond the data", WithHugeLength(packed), false, original},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        winsim::Machine m;
        m.AddFile("D:\\Kest.Ex_", c.stored);
        const LONG copied = Copy("D:\\Kest.Ex_", "C:\\Kest.Exe");
        std::string written = m.Content("C:\\Kest.Exe");
        EXPECT_EQ(static_cast<LONG>(written.size()), copied);
        if (c.prefix) {
            EXPECT_GT(written.size(), 100u);
            EXPECT_LT(written.size(), original.size());
            EXPECT_EQ(original.substr(0, written.size()), written);
        } else {
            EXPECT_EQ(c.expected, written);
        }
    }
}

// A target on a write-protected medium: nothing written, the code in the reopen buffer.
TEST(FilesLz, TargetOnAWriteProtectedMedium) {
    winsim::Machine m;
    m.AddFile("D:\\Kest.Ex_", "MZ");
    m.AddDrive('E', DRIVE_REMOVABLE, true);
    OFSTRUCT ofs;
    EXPECT_EQ(-1, Copy("D:\\Kest.Ex_", "E:\\Out.Exe", &ofs));
    EXPECT_EQ(static_cast<WORD>(ERROR_WRITE_PROTECT), ofs.nErrCode);
    EXPECT_TRUE(m.Lines("write: ").empty());
    EXPECT_EQ(0, m.programs.openHandles);
}

// A name that cannot be opened is tried under its compressed name, for creating too:
// a target that is read-only or in use leaves lz32 writing beside it, and the reopen
// buffer names the file really opened.
TEST(FilesLz, OpenFallsBackToTheCompressedName) {
    struct Case {
        const char* what;
        const char* target;
        const char* opened;
    } cases[] = {
        {"read-only target", "C:\\Out\\ReadOnly.Exe", "C:\\Out\\ReadOnly.Ex_"},
        {"target in use", "C:\\Out\\Running.Exe", "C:\\Out\\Running.Ex_"},
        {"short extension", "C:\\Out\\Running.Ex", "C:\\Out\\Running.Ex_"},
        {"no extension", "C:\\Out\\Running", "C:\\Out\\Running._"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        winsim::Machine m;
        m.AddFile("D:\\Kest.Ex_", "MZ new");
        m.AddFile("C:\\Out\\ReadOnly.Exe", "old", FILE_ATTRIBUTE_READONLY);
        for (const char* busy :
             {"C:\\Out\\Running.Exe", "C:\\Out\\Running.Ex", "C:\\Out\\Running"}) {
            m.AddFile(busy, "old");
            m.SetInUse(busy);
        }
        OFSTRUCT ofs;
        EXPECT_EQ(6, Copy("D:\\Kest.Ex_", c.target, &ofs));
        EXPECT_STREQ(c.opened, ofs.szPathName);
        EXPECT_EQ("MZ new", m.Content(c.opened));
        EXPECT_EQ("old", m.Content(c.target));
    }
}

TEST(FilesLz, FullDiskAndHandles) {
    winsim::Machine m;
    m.AddFile("D:\\Kest.Ex_", "MZ 0123456789");
    m.SetFreeSpace('C', 4);
    EXPECT_EQ(LZERROR_WRITE, Copy("D:\\Kest.Ex_", "C:\\Kest.Exe"));
    EXPECT_EQ("MZ 0", m.Content("C:\\Kest.Exe"));
    // LZClose let go of both files.
    EXPECT_TRUE(DeleteFileA("C:\\Kest.Exe"));
    EXPECT_TRUE(DeleteFileA("D:\\Kest.Ex_"));
    EXPECT_EQ(LZERROR_BADINHANDLE, LZCopy(12345, 12346));
    std::string name = "C:\\Windows\\Temp\\x";
    OFSTRUCT ofs;
    INT out = LZOpenFileA(&name[0], &ofs, kTargetStyle);
    ASSERT_GE(out, 0);
    EXPECT_STREQ("C:\\Windows\\Temp\\x", ofs.szPathName);
    EXPECT_EQ(LZERROR_BADINHANDLE, LZCopy(12345, out));
    LZClose(out);
}
