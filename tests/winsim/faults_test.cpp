// winsim's fault plan and its list of open handles, which the fault sweep relies on.
#include <gtest/gtest.h>
#include <windows.h>
#include <winsim/Machine.h>

#include <map>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// Three directory look-ups in a row: which fail, with which last error, under each plan.
TEST(Faults, PlanFailsCallNOrEveryCallFromNOn) {
    struct Case {
        long failAt;
        bool fromThenOn;
        Strings calls;
        std::vector<DWORD> answers;  // GetFileAttributesA's answer, or its last error
        std::map<std::string, std::vector<long>> numbered;
    } cases[] = {
        {0, false, {}, {0x10, 0x10, 0x10}, {}},
        {2, false, {}, {0x10, ERROR_ACCESS_DENIED, 0x10}, {}},
        {2, true, {}, {0x10, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED}, {}},
        {0,
         false,
         {"GetFileAttributesA"},
         {ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
         {}},
        {0, false, {"DeleteFileA"}, {0x10, 0x10, 0x10}, {}},
        {0, false, {}, {0x10, ERROR_ACCESS_DENIED, 0x10}, {{"GetFileAttributesA", {2}}}},
        {0, false, {}, {0x10, 0x10, 0x10}, {{"DeleteFileA", {2}}}},
    };
    for (const Case& c : cases) {
        winsim::Machine m;
        m.faults.plan.failAt = c.failAt;
        m.faults.plan.fromThenOn = c.fromThenOn;
        m.faults.plan.calls = c.calls;
        m.faults.plan.numberedCalls = c.numbered;
        std::vector<DWORD> answers;
        for (int i = 0; i < 3; ++i) {
            const DWORD attributes = GetFileAttributesA("C:\\Windows");
            answers.push_back(attributes == INVALID_FILE_ATTRIBUTES ? GetLastError()
                                                                    : attributes & 0x10);
        }
        EXPECT_EQ(answers, c.answers) << c.failAt << " " << c.fromThenOn;
        EXPECT_EQ(m.faults.systemCalls, 3);
        EXPECT_TRUE(m.Exists("C:\\Windows"));
    }
}

TEST(Faults, RegistryCallsAnswerTheirErrorAndLeaveTheLastErrorAlone) {
    winsim::Machine m;
    m.faults.plan.calls = {"RegOpenKeyExA", "MessageBoxA"};
    SetLastError(7);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetLastError(), 7u);
    EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", MB_OK), 0);
    ASSERT_EQ(m.boxes.size(), 1u);
    EXPECT_EQ(m.boxes[0].answer, 0);
    EXPECT_EQ(m.faults.failedCalls, (Strings{"RegOpenKeyExA", "MessageBoxA"}));
}

TEST(Faults, OpenHandlesListsWhatARunLeftOpen) {
    winsim::Machine m;
    m.AddFile("C:\\Data\\a.txt", "a");
    m.AddKey(HKEY_LOCAL_MACHINE, "Software\\Kest");
    HANDLE file = CreateFileA("C:\\Data\\a.txt", GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA("C:\\Data\\*", &entry);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kest", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(m.OpenHandles(), (Strings{"file C:\\Data\\a.txt", "search", "key HKLM\\Kest"}));
    CloseHandle(file);
    FindClose(search);
    RegCloseKey(key);
    EXPECT_EQ(m.OpenHandles(), Strings());
}

}  // namespace
