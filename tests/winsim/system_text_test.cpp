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

TEST_F(SystemText, CompareStringWithoutAText) {
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
        {"at the end, double-byte page", true, "", 0},
        {"lead byte", true,
         "\x83\x41"
         "b",
         2},
        {"high lead byte", true, "\xE0\x40", 2},
        {"lead byte before the end", true, "\x83", 1},
        {"no lead byte", true, "\xA0\x40", 1},
        {"above the lead range", true, "\xFD\x40", 1},
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
