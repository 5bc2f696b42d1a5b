// The simulated text functions and message boxes.
#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class SystemText : public ::testing::Test {
protected:
    winsim::Machine m;
};

const DWORD kReportFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_MAX_WIDTH_MASK;

TEST_F(SystemText, FormatMessageAsWineFormatsIt) {
    struct Case {
        const char* name;
        DWORD flags;
        DWORD id;
        DWORD size;
        DWORD result;
        DWORD error;
        std::string buffer;  // its first bytes afterwards ("#": untouched)
    };
    const Case cases[] = {
        {"width: the closing line break becomes a blank", kReportFlags, ERROR_FILE_NOT_FOUND, 255,
         16, 0, std::string("File not found. \0", 17)},
        {"no width: line break kept", FORMAT_MESSAGE_FROM_SYSTEM, ERROR_FILE_NOT_FOUND, 255, 17, 0,
         std::string("File not found.\r\n\0", 18)},
        {"narrow width: no wrapping", FORMAT_MESSAGE_FROM_SYSTEM | 20, ERROR_ACCESS_DENIED, 255, 15,
         0, std::string("Access denied. \0", 16)},
        {"room for text and NUL", kReportFlags, ERROR_FILE_NOT_FOUND, 17, 16, 0,
         std::string("File not found. \0", 17)},
        {"no room for NUL", kReportFlags, ERROR_FILE_NOT_FOUND, 16, 0, ERROR_INSUFFICIENT_BUFFER,
         "#"},
        {"no buffer size", kReportFlags, ERROR_FILE_NOT_FOUND, 0, 0, ERROR_INSUFFICIENT_BUFFER,
         "#"},
        {"no text for the code", kReportFlags, 4242, 255, 0, ERROR_MR_MID_NOT_FOUND, "#"},
        {"insert without arguments", kReportFlags, ERROR_BAD_EXE_FORMAT, 255, 0,
         ERROR_INVALID_PARAMETER, "#"},
        {"insert ignored", kReportFlags | FORMAT_MESSAGE_IGNORE_INSERTS, ERROR_BAD_EXE_FORMAT, 255,
         23, 0, std::string("Bad EXE format for %1. \0", 24)},
        {"explicit break kept, regular ones dropped", kReportFlags, 5000, 255, 19, 0,
         std::string("Line one\r\nLine two \0", 20)},
        {"escapes", FORMAT_MESSAGE_FROM_SYSTEM, 5001, 255, 7, 0, std::string("50%!.\tx\0", 8)},
        {"escapes kept when inserts are ignored",
         FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, 5001, 255, 10, 0,
         std::string("50%%%!%.\tx\0", 11)},
        {"%0 ends the text", FORMAT_MESSAGE_FROM_SYSTEM, 5002, 255, 4, 0, std::string("Stop\0", 5)},
        {"lone percent sign", FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, 5003, 255,
         0, ERROR_INVALID_PARAMETER, "#"},
    };
    m.messageTexts[5000] = "Line one%nLine two\r\n";
    m.messageTexts[5001] = "50%%%!%.%tx";
    m.messageTexts[5002] = "Stop%0 here\r\n";
    m.messageTexts[5003] = "100%";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char buffer[300];
        std::memset(buffer, '#', sizeof buffer);
        SetLastError(0);
        EXPECT_EQ(c.result, FormatMessageA(c.flags, nullptr, c.id, 0, buffer, c.size, nullptr));
        EXPECT_EQ(c.error, GetLastError());
        EXPECT_EQ(c.buffer, std::string(buffer, c.buffer.size()));
    }
}

TEST_F(SystemText, DefaultTextsAreWines) {
    struct Case {
        DWORD code;
        const char* text;
    };
    const Case cases[] = {
        {ERROR_PATH_NOT_FOUND, "Path not found. "},
        {ERROR_ACCESS_DENIED, "Access denied. "},
        {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory. "},
        {ERROR_WRITE_PROTECT, "Write protected. "},
        {ERROR_NOT_READY, "Not ready. "},
        {ERROR_SHARING_VIOLATION, "Sharing violation. "},
        {ERROR_INVALID_PARAMETER, "Invalid parameter. "},
        {ERROR_DISK_FULL, "Disk full. "},
        {ERROR_INSUFFICIENT_BUFFER, "Insufficient buffer. "},
        {ERROR_DIR_NOT_EMPTY, "Directory is not empty. "},
        {ERROR_ALREADY_EXISTS, "File already exists. "},
        {ERROR_NO_TOKEN, "Nonexistent token. "},
        {ERROR_NO_SYSTEM_RESOURCES, "No system resources. "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        char buffer[255] = "";
        EXPECT_EQ(std::strlen(c.text),
                  FormatMessageA(kReportFlags, nullptr, c.code, 0, buffer, 255, nullptr));
        EXPECT_STREQ(c.text, buffer);
    }
}

TEST_F(SystemText, CompareStringOrdersByLowerCase) {
    struct Case {
        const char* name;
        DWORD flags;
        const char* a;
        int countA;
        const char* b;
        int countB;
        int result;
    };
    const Case cases[] = {
        {"equal but for case", NORM_IGNORECASE, "KestDel.Exe", -1, "kestdel.EXE", -1, CSTR_EQUAL},
        {"less", NORM_IGNORECASE, "abc", -1, "ABD", -1, CSTR_LESS_THAN},
        {"greater", NORM_IGNORECASE, "b", -1, "A", -1, CSTR_GREATER_THAN},
        {"prefix first", NORM_IGNORECASE, "Kest", -1, "kest.exe", -1, CSTR_LESS_THAN},
        {"counted", NORM_IGNORECASE, "abcX", 3, "ABC", -1, CSTR_EQUAL},
        {"both counted", NORM_IGNORECASE, "Fonts", 4, "FONx", 3, CSTR_GREATER_THAN},
        {"empty", NORM_IGNORECASE, "", -1, "", 0, CSTR_EQUAL},
        {"embedded NUL counted", NORM_IGNORECASE, "a\0b", 3, "A\0c", 3, CSTR_LESS_THAN},
        {"Latin-1 capitals", NORM_IGNORECASE, "\xC9T\xC9", -1, "\xE9t\xE9", -1, CSTR_EQUAL},
        {"underscore before letters", NORM_IGNORECASE, "a_", -1, "aB", -1, CSTR_LESS_THAN},
        {"case counts without the flag", 0, "kest", -1, "Kest", -1, CSTR_LESS_THAN},
        {"letters first without the flag", 0, "Kest", -1, "kesu", -1, CSTR_LESS_THAN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.result,
                  CompareStringA(LOCALE_USER_DEFAULT, c.flags, c.a, c.countA, c.b, c.countB));
    }
    SetLastError(0);
    EXPECT_EQ(0, CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, nullptr, -1, "a", -1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(SystemText, CharLowerBuffKeepsEveryCharacterInPlace) {
    struct Case {
        const char* name;
        bool doubleByte;
        std::string text;
        DWORD length;
        std::string lowered;
    };
    const Case cases[] = {
        {"path", false, "C:\\KEST\\KestDel.Exe", 19, "c:\\kest\\kestdel.exe"},
        {"only the given length", false, "ABCD", 2, "abCD"},
        {"Latin-1", false, "\xC0\xDE\xD7\x8A\x9F", 5, "\xE0\xFE\xD7\x9A\xFF"},
        {"single-byte page: 0x83 is no lead byte", false, "\x83\x41Z", 3,
         "\x83"
         "az"},
        {"trail byte left alone", true, "\x83\x41Z", 3, "\x83\x41z"},
        {"lead byte at the end of the length", true, "A\x83\x41", 2, "a\x83\x41"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        winsim::Machine fresh;
        fresh.doubleByteCodePage = c.doubleByte;
        std::string text = c.text;
        EXPECT_EQ(c.length, CharLowerBuffA(&text[0], c.length));
        EXPECT_EQ(c.lowered, text);
    }
}

TEST_F(SystemText, CharNextStepsWholeCharacters) {
    struct Case {
        const char* name;
        bool doubleByte;
        const char* text;
        int step;
    };
    const Case cases[] = {
        {"plain", false, "ab", 1},
        {"at the end", false, "", 0},
        {"at the end, double-byte page", true, "", 0},
        {"lead byte", true,
         "\x83\x41"
         "b",
         2},
        {"high lead byte", true, "\xE0\x40", 2},
        {"lead byte before the end", true, "\x83", 1},
        {"no lead byte", true, "\xA0\x40", 1},
        {"above the lead range", true, "\xFD\x40", 1},
        {"single-byte page", false, "\x83\x41", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        winsim::Machine fresh;
        fresh.doubleByteCodePage = c.doubleByte;
        EXPECT_EQ(c.text + c.step, CharNextA(c.text));
    }
    EXPECT_EQ(0, lstrlenA(nullptr));
    EXPECT_EQ(3, lstrlenA("abc"));
}

TEST_F(SystemText, MessageBoxAnswersAndRecords) {
    struct Case {
        const char* name;
        UINT style;
        std::vector<int> queued;
        int answer;
    };
    const Case cases[] = {
        {"OK", MB_OK, {}, IDOK},
        {"OK and Cancel", MB_OKCANCEL | MB_ICONQUESTION, {}, IDOK},
        {"Abort, Retry, Ignore", MB_ABORTRETRYIGNORE, {}, IDABORT},
        {"Yes, No, Cancel", MB_YESNOCANCEL, {}, IDYES},
        {"Yes and No", MB_YESNO | MB_SYSTEMMODAL, {}, IDYES},
        {"Retry and Cancel", MB_RETRYCANCEL, {}, IDRETRY},
        {"queued answer", MB_OKCANCEL, {IDCANCEL, IDOK}, IDCANCEL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        winsim::Machine fresh;
        fresh.boxAnswers.assign(c.queued.begin(), c.queued.end());
        EXPECT_EQ(c.answer, MessageBoxA(nullptr, "Uninstall Tessaly?", "Uninstall", c.style));
        ASSERT_EQ(1u, fresh.boxes.size());
        EXPECT_EQ("Uninstall", fresh.boxes[0].caption);
        EXPECT_EQ("Uninstall Tessaly?", fresh.boxes[0].text);
        EXPECT_EQ(c.style, fresh.boxes[0].style);
        EXPECT_EQ(c.answer, fresh.boxes[0].answer);
        EXPECT_EQ(std::vector<std::string>{"box: Uninstall | Uninstall Tessaly?"},
                  fresh.transcript);
        EXPECT_EQ(c.queued.empty() ? 0u : c.queued.size() - 1, fresh.boxAnswers.size());
    }
}

TEST_F(SystemText, MessageBoxWithoutCaptionAndFailing) {
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "text", nullptr, MB_OK));
    EXPECT_EQ(std::vector<std::string>{"box: Error | text"}, m.transcript);
    m.faults.messageBox = {true, ERROR_NOT_ENOUGH_MEMORY};
    m.boxAnswers = {IDCANCEL};
    SetLastError(0);
    EXPECT_EQ(0, MessageBoxA(nullptr, "lost", "Caption", MB_OKCANCEL));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
    ASSERT_EQ(2u, m.boxes.size());
    EXPECT_EQ(0, m.boxes[1].answer);
    EXPECT_EQ(1u, m.boxAnswers.size());  // the queued answer waits for a box that shows
    EXPECT_EQ(1u, m.transcript.size());  // nobody saw the failed box
}

}  // namespace
