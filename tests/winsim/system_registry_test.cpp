// The simulated registry: keys, values, handles, protection and deletion.
#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <cstring>
#include <string>
#include <vector>

#include "WinSysHandles.h"

namespace {

const char kKest[] = "Software\\Kest";

class SystemRegistry : public ::testing::Test {
protected:
    winsim::Machine m;
};

TEST_F(SystemRegistry, OpenKeyAnswersByAccessAndProtection) {
    struct Case {
        const char* name;
        const char* subKey;
        REGSAM access;
        LONG result;
    };
    const Case cases[] = {
        {"protected, all access", "Software\\Locked", KEY_ALL_ACCESS, ERROR_ACCESS_DENIED},
        {"protected, write", "Software\\Locked", KEY_WRITE, ERROR_ACCESS_DENIED},
        {"protected, set value only", "Software\\Locked", KEY_SET_VALUE, ERROR_ACCESS_DENIED},
        {"protected, read", "Software\\Locked", KEY_READ, ERROR_SUCCESS},
        {"below protected, all access", "Software\\Locked\\Inner", KEY_ALL_ACCESS,
         ERROR_ACCESS_DENIED},
        {"below protected, read", "Software\\Locked\\Inner", KEY_READ, ERROR_SUCCESS},
    };
    m.AddKey(HKEY_LOCAL_MACHINE, "Software\\Locked\\Inner");
    m.ProtectKey(HKEY_LOCAL_MACHINE, "Software\\Locked");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HKEY key = reinterpret_cast<HKEY>(1);
        EXPECT_EQ(c.result, RegOpenKeyExA(HKEY_LOCAL_MACHINE, c.subKey, 0, c.access, &key));
        if (c.result == ERROR_SUCCESS) {
            EXPECT_NE(nullptr, key);
            EXPECT_EQ(1, m.registry.openHandles);
            EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
        } else {
            EXPECT_EQ(nullptr, key);
        }
        EXPECT_EQ(0, m.registry.openHandles);
    }
}

TEST_F(SystemRegistry, HandlesAreCountedAndRootsAlwaysValid) {
    m.AddKey(HKEY_LOCAL_MACHINE, kKest);
    HKEY parent = nullptr, same = nullptr, empty = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKest, 0, KEY_READ, &parent));
    // A NULL or empty subkey gives another handle to the same key.
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(parent, nullptr, 0, KEY_READ, &same));
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(parent, "", 0, KEY_READ, &empty));
    EXPECT_NE(parent, same);
    EXPECT_NE(same, empty);
    EXPECT_EQ(3, m.registry.openHandles);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(parent));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(parent));  // closed twice
    DWORD subKeys = 7;
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryInfoKeyA(same, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0u, subKeys);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(same));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(empty));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_LOCAL_MACHINE));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));
    EXPECT_EQ(0, m.registry.openHandles);
    // The roots still work after they were "closed".
    RegistryKey key;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKest, 0, KEY_READ, key.Receive()));
}

TEST_F(SystemRegistry, CreateKeyAnswersByProtection) {
    struct Case {
        const char* name;
        const char* subKey;
        REGSAM access;
        LONG result;
        DWORD disposition;
        const char* mustNotExist;  // afterwards, or nullptr
    };
    const Case cases[] = {
        {"protected, all access", "Software\\Locked", KEY_ALL_ACCESS, ERROR_ACCESS_DENIED, 0,
         nullptr},
        {"protected, read", "Software\\Locked", KEY_READ, ERROR_SUCCESS, REG_OPENED_EXISTING_KEY,
         nullptr},
        {"new below protected", "Software\\Locked\\New\\Deeper", KEY_READ, ERROR_ACCESS_DENIED, 0,
         "Software\\Locked\\New"},
    };
    m.ProtectKey(HKEY_LOCAL_MACHINE, "Software\\Locked");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HKEY key = reinterpret_cast<HKEY>(1);
        DWORD disposition = 0;
        EXPECT_EQ(c.result,
                  RegCreateKeyExA(HKEY_LOCAL_MACHINE, c.subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  c.access, nullptr, &key, &disposition));
        EXPECT_EQ(c.disposition, disposition);
        if (c.mustNotExist) {
            EXPECT_FALSE(m.KeyExists(HKEY_LOCAL_MACHINE, c.mustNotExist));
        }
        if (c.result == ERROR_SUCCESS)
            EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
        else
            EXPECT_EQ(nullptr, key);
        EXPECT_EQ(0, m.registry.openHandles);
    }
}

TEST_F(SystemRegistry, QueryValueKeepsToTheBuffer) {
    struct Case {
        const char* name;
        const char* valueName;
        DWORD bufferSize;
        LONG result;
        DWORD type;
        DWORD size;
        std::string data;  // the buffer's first `size` bytes afterwards
    };
    const Case cases[] = {
        {"one byte short", "Path", 8, ERROR_MORE_DATA, REG_SZ, 9, "########"},
        {"string without NUL", "Bare", 3, ERROR_SUCCESS, REG_SZ, 3, "abc#"},
        {"string without NUL, room to end it", "Bare", 4, ERROR_SUCCESS, REG_SZ, 3,
         std::string("abc\0", 4)},
    };
    m.SetString(HKEY_CURRENT_USER, kKest, "Path", "C:\\Kest\\");
    m.SetValue(HKEY_CURRENT_USER, kKest, "Bare", REG_SZ, "abc");
    RegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kKest, 0, KEY_READ, key.Receive()));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char buffer[64];
        std::memset(buffer, '#', sizeof buffer);
        DWORD type = 0xFFFF, size = c.bufferSize;
        EXPECT_EQ(c.result, RegQueryValueExA(key.Get(), c.valueName, nullptr, &type,
                                             reinterpret_cast<BYTE*>(buffer), &size));
        EXPECT_EQ(c.type, type);
        EXPECT_EQ(c.size, size);
        EXPECT_EQ(c.data, std::string(buffer, c.data.size()));
    }
}

TEST_F(SystemRegistry, SetValueStoresBytesAndWritesTheTranscript) {
    struct Case {
        const char* name;
        const char* valueName;
        DWORD type;
        std::string data;
        const char* line;
    };
    const Case cases[] = {
        {"string with NUL", "Path", REG_SZ, std::string("C:\\K\\\0", 6),
         "regset: HKLM\\Software\\Kest\\Path = C:\\K\\"},
        {"string without NUL", "Bare", REG_SZ, "abc", "regset: HKLM\\Software\\Kest\\Bare = abc"},
        {"dword", "Count", REG_DWORD, std::string("\x01\x01\0\0", 4),
         "regset: HKLM\\Software\\Kest\\Count = 257"},
        {"binary", "Blob", REG_BINARY, std::string("\x00\xff\x10", 3),
         "regset: HKLM\\Software\\Kest\\Blob = hex:00,ff,10"},
        {"replaces, name kept as first written", "PATH", REG_SZ, std::string("D:\\\0", 4),
         "regset: HKLM\\Software\\Kest\\Path = D:\\"},
    };
    m.AddKey(HKEY_LOCAL_MACHINE, kKest);
    RegistryKey key;
    // Opened by another spelling: the transcript shows the names as stored.
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KEST", 0, KEY_ALL_ACCESS,
                                           key.Receive()));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m.transcript.clear();
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key.Get(), c.valueName, 0, c.type,
                                                reinterpret_cast<const BYTE*>(c.data.data()),
                                                static_cast<DWORD>(c.data.size())));
        EXPECT_EQ(std::vector<std::string>{c.line}, m.transcript);
        EXPECT_EQ(c.type, m.ValueType(HKEY_LOCAL_MACHINE, kKest, c.valueName));
    }
    EXPECT_EQ("D:\\", m.StringValue(HKEY_LOCAL_MACHINE, kKest, "path"));
}

TEST_F(SystemRegistry, SetValueIsRefusedUnderAProtectedKey) {
    m.ProtectKey(HKEY_LOCAL_MACHINE, "Software\\Locked");
    RegistryKey locked;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Locked", 0, KEY_READ, locked.Receive()));
    const BYTE data[] = "x";
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(locked.Get(), "V", 0, REG_SZ, data, 2));
    EXPECT_FALSE(m.ValueExists(HKEY_LOCAL_MACHINE, "Software\\Locked", "V"));
    EXPECT_TRUE(m.Lines("regset:").empty());
}

// A value goes by any spelling of its name, and stays under a protected key.
TEST_F(SystemRegistry, DeleteValueByAnyCaseButNotUnderAProtectedKey) {
    m.SetString(HKEY_LOCAL_MACHINE, kKest, "Path", "C:\\K");
    m.SetString(HKEY_LOCAL_MACHINE, "Software\\Locked", "V", "x");
    m.ProtectKey(HKEY_LOCAL_MACHINE, "Software\\Locked");
    RegistryKey writable, locked;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKest, 0, KEY_ALL_ACCESS, writable.Receive()));
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Locked", 0, KEY_READ, locked.Receive()));

    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteValueA(locked.Get(), "V"));
    EXPECT_TRUE(m.Lines("regdel:").empty());
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(writable.Get(), "PATH"));

    EXPECT_EQ(std::vector<std::string>{"regdel: HKLM\\Software\\Kest\\Path"}, m.Lines("regdel:"));
    EXPECT_FALSE(m.ValueExists(HKEY_LOCAL_MACHINE, kKest, "Path"));
    EXPECT_TRUE(m.KeyExists(HKEY_LOCAL_MACHINE, kKest));
    EXPECT_TRUE(m.ValueExists(HKEY_LOCAL_MACHINE, "Software\\Locked", "V"));
}

TEST_F(SystemRegistry, DeleteKeyFollowsThePlatform) {
    struct Case {
        const char* name;
        bool ntFamily;
        const char* subKey;
        LONG result;
        std::vector<std::string> deleted;  // transcript lines
        const char* stays;                 // a key that must remain, or nullptr
    };
    const Case cases[] = {
        {"leaf, NT",
         true,
         "Software\\Kest\\A\\A1",
         ERROR_SUCCESS,
         {"regdel: HKLM\\Software\\Kest\\A\\A1"},
         "Software\\Kest\\A"},
        {"with subkeys, 9x: whole tree, children first",
         false,
         "software\\kest",
         ERROR_SUCCESS,
         {"regdel: HKLM\\Software\\Kest\\A\\A1", "regdel: HKLM\\Software\\Kest\\A\\a2",
          "regdel: HKLM\\Software\\Kest\\A", "regdel: HKLM\\Software\\Kest\\B",
          "regdel: HKLM\\Software\\Kest"},
         "Software"},
        {"missing, 9x", false, "Software\\Gone", ERROR_FILE_NOT_FOUND, {}, nullptr},
        {"protected leaf", true, "Software\\Locked", ERROR_ACCESS_DENIED, {}, "Software\\Locked"},
        {"tree holding a protected key, 9x",
         false,
         "Software\\Outer",
         ERROR_ACCESS_DENIED,
         {},
         "Software\\Outer\\Locked"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        winsim::Machine fresh;
        if (c.ntFamily)
            fresh.SetWindowsXP();
        else
            fresh.SetWindows98();
        fresh.AddKey(HKEY_LOCAL_MACHINE, "Software\\Kest\\A\\A1");
        fresh.AddKey(HKEY_LOCAL_MACHINE, "Software\\Kest\\A\\a2");
        fresh.AddKey(HKEY_LOCAL_MACHINE, "Software\\Kest\\B");
        fresh.ProtectKey(HKEY_LOCAL_MACHINE, "Software\\Locked");
        fresh.ProtectKey(HKEY_LOCAL_MACHINE, "Software\\Outer\\Locked");
        EXPECT_EQ(c.result, RegDeleteKeyA(HKEY_LOCAL_MACHINE, c.subKey));
        EXPECT_EQ(c.deleted, fresh.Lines("regdel:"));
        if (c.stays) {
            EXPECT_TRUE(fresh.KeyExists(HKEY_LOCAL_MACHINE, c.stays));
        }
        if (c.result == ERROR_SUCCESS) {
            EXPECT_FALSE(fresh.KeyExists(HKEY_LOCAL_MACHINE, c.subKey));
        }
    }
}

TEST_F(SystemRegistry, DeleteKeyRelativeToAnOpenKey) {
    m.AddKey(HKEY_CURRENT_USER, "Software\\Kest\\Sub");
    RegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, kKest, 0, KEY_ALL_ACCESS, key.Receive()));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegDeleteKeyA(key.Get(), nullptr));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(key.Get(), ""));  // itself, but it has a subkey
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(key.Get(), "SUB"));
    EXPECT_EQ(std::vector<std::string>{"regdel: HKCU\\Software\\Kest\\Sub"}, m.Lines("regdel:"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(key.Get(), ""));
    EXPECT_FALSE(m.KeyExists(HKEY_CURRENT_USER, kKest));
    EXPECT_TRUE(m.KeyExists(HKEY_CURRENT_USER, "Software"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CURRENT_USER, ""));  // a root stays
}

TEST_F(SystemRegistry, HandleOfADeletedKeyFails) {
    m.AddKey(HKEY_LOCAL_MACHINE, kKest);
    RegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKest, 0, KEY_ALL_ACCESS, key.Receive()));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKest));
    const BYTE data[] = "x";
    EXPECT_EQ(ERROR_KEY_DELETED, RegSetValueExA(key.Get(), "V", 0, REG_SZ, data, 2));
    DWORD size = 0;
    EXPECT_EQ(ERROR_KEY_DELETED,
              RegQueryValueExA(key.Get(), "V", nullptr, nullptr, nullptr, &size));
    HKEY created = nullptr;
    EXPECT_EQ(ERROR_KEY_DELETED, RegCreateKeyExA(key.Get(), "Sub", 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &created, nullptr));
    EXPECT_FALSE(m.KeyExists(HKEY_LOCAL_MACHINE, kKest));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key.Release()));
    EXPECT_EQ(0, m.registry.openHandles);
}

TEST_F(SystemRegistry, HandleBelowADeletedTreeFails) {
    m.SetWindows98();
    m.AddKey(HKEY_LOCAL_MACHINE, "Software\\Kest\\A\\B");
    RegistryKey inner;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kest\\A\\B", 0,
                                           KEY_ALL_ACCESS, inner.Receive()));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKest));
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_KEY_DELETED, RegOpenKeyExA(inner.Get(), "", 0, KEY_ALL_ACCESS, &key));
    EXPECT_EQ(ERROR_KEY_DELETED, RegCreateKeyExA(inner.Get(), "C", 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_KEY_DELETED, RegDeleteKeyA(inner.Get(), ""));
    EXPECT_EQ(ERROR_KEY_DELETED,
              RegEnumKeyExA(inner.Get(), 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(nullptr, key);
    EXPECT_FALSE(m.KeyExists(HKEY_LOCAL_MACHINE, "Software\\Kest\\A"));
    EXPECT_EQ(1, m.registry.openHandles);
}

TEST_F(SystemRegistry, MachineReadersSeeWhatTheCallsWrote) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Kest\\Run", 0, nullptr,
                                             0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    const char text[] = "cmd.exe /c \"Del x\"";
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "KestDel.Exe1", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(text), sizeof text));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_TRUE(m.ValueExists(HKEY_CURRENT_USER, "software\\kest\\run", "kestdel.exe1"));
    EXPECT_EQ(text, m.StringValue(HKEY_CURRENT_USER, "Software\\Kest\\Run", "KestDel.Exe1"));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ),
              m.ValueType(HKEY_CURRENT_USER, "Software\\Kest\\Run", "KestDel.Exe1"));
    EXPECT_FALSE(m.ValueExists(HKEY_LOCAL_MACHINE, "Software\\Kest\\Run", "KestDel.Exe1"));
    EXPECT_EQ("", m.StringValue(HKEY_CURRENT_USER, "Software\\Kest\\Run", "Other"));
    EXPECT_EQ(std::vector<std::string>{"Run"}, m.SubKeys(HKEY_CURRENT_USER, kKest));
    EXPECT_EQ(std::vector<std::string>{"regset: HKCU\\Software\\Kest\\Run\\KestDel.Exe1 = " +
                                       std::string(text)},
              m.transcript);
}

}  // namespace
