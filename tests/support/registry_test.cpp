// Registry reads, writes, recursive deletion, restart commands and the installed
// program's folders.
#include <string>
#include <vector>

#include "ProductNames.h"
#include "SimTest.h"
#include "Tools.h"
#include "WinSys.h"
#include "WinSysRegistry.h"

namespace {

class RegistryTest : public SimTest {
protected:
    void SetUninstallString(const std::string& value) {
        machine.SetString(HKEY_CURRENT_USER, UninstallKey, "UninstallString", value);
    }
    void BuildTree(HKEY root) {
        const std::string key = UninstallKey;
        machine.SetString(root, key, "DisplayName", "Tessaly");
        machine.SetString(root, key + "\\Modules\\Atlas\\Maps", "Count", "3");
        machine.AddKey(root, key + "\\Modules\\Bible");
        machine.AddKey(root, key + "\\Modules\\Dictionary\\Greek\\Lexicon");
        machine.SetDword(root, key + "\\Options", "Flags", 7);
        machine.AddKey(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other");
    }
    void ExpectTreeGone(HKEY root, const char* system) {
        EXPECT_FALSE(machine.KeyExists(root, UninstallKey)) << system;
        EXPECT_TRUE(machine.KeyExists(
            root, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other"))
            << system;
        EXPECT_EQ(machine.registry.openHandles, 0) << system;
        EXPECT_EQ(BoxesOf(machine), Strings{}) << system;
    }
};

TEST_F(RegistryTest, ReadsStringsAndRefusesOtherTypes) {
    struct Case {
        const char* name;
        DWORD type;
        std::string data;
        std::string expected;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"plain", REG_SZ, std::string("Tessaly 2.0\0", 12), "Tessaly 2.0", ""},
        {"expand", REG_EXPAND_SZ, std::string("%SystemRoot%\\Fonts\0", 19), "%SystemRoot%\\Fonts",
         ""},
        {"unterminated", REG_SZ, "no terminator", "no terminator", ""},
        {"inner NUL", REG_SZ, std::string("first\0second\0", 13), "first", ""},
        {"empty", REG_SZ, "", "", ""},
        {"number", REG_DWORD, std::string("\x07\0\0\0", 4), "", "Invalid data type for 'number'"},
        {"bytes", REG_BINARY, "\x01\x02", "", "Invalid data type for 'bytes'"},
    };
    for (const Case& c : cases) {
        machine.SetValue(HKEY_CURRENT_USER, UninstallKey, c.name, c.type, c.data);
        std::string text = "unchanged";
        std::string error;
        try {
            text = ReadRegistryString(c.name, std::string("\\") + UninstallKey, HKEY_CURRENT_USER);
        } catch (const RegistryError& e) {
            error = e.what();
        }
        EXPECT_EQ(error, c.error) << c.name;
        if (c.error.empty()) {
            EXPECT_EQ(text, c.expected) << c.name;
        }
        EXPECT_EQ(machine.registry.openHandles, 0) << c.name;
    }
}

TEST_F(RegistryTest, MissingValueOrKeyReadsEmptyAndLogsNothing) {
    State.LogLines.reset(new StringList());
    machine.AddKey(HKEY_CURRENT_USER, UninstallKey);
    EXPECT_EQ(ReadRegistryString("DisplayName", UninstallKeyPath, HKEY_CURRENT_USER), "");
    EXPECT_EQ(ReadRegistryString("DisplayName", "\\Software\\Nowhere", HKEY_CURRENT_USER), "");
    EXPECT_TRUE(State.LogLines->empty());
    EXPECT_EQ(BoxesOf(machine), Strings{});
    EXPECT_EQ(machine.registry.openHandles, 0);
}

TEST_F(RegistryTest, MissingKeyIsLoggedByValueNameWhenTheLogIsOn) {
    State.LogLines.reset(new StringList());
    State.LogFolder = "C:\\Logs\\";
    EXPECT_EQ(ReadRegistryString("DisplayName", "\\Software\\Nowhere", HKEY_LOCAL_MACHINE), "");
    EXPECT_EQ(*State.LogLines, StringList({"Registry Open Failed for Key: DisplayName"}));
}

TEST_F(RegistryTest, KeyThatMayOnlyBeReadCountsAsUnopened) {
    machine.SetString(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayName", "Tessaly");
    machine.ProtectKey(HKEY_LOCAL_MACHINE, UninstallKey);
    EXPECT_EQ(ReadUninstallValue("DisplayName"), "");
}

TEST_F(RegistryTest, UninstallValuePrefersThePerUserEntry) {
    machine.SetString(HKEY_CURRENT_USER, UninstallKey, "DisplayName", "Per user");
    machine.SetString(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayName", "Machine");
    EXPECT_EQ(ReadUninstallValue("DisplayName"), "Per user");

    machine.SetString(HKEY_CURRENT_USER, UninstallKey, "DisplayName", "");
    EXPECT_EQ(ReadUninstallValue("DisplayName"), "Machine");

    machine.SetDword(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayName", 1);
    EXPECT_EQ(ReadUninstallValue("DisplayName"), "");  // the machine-wide error is swallowed

    machine.SetDword(HKEY_CURRENT_USER, UninstallKey, "DisplayName", 1);
    EXPECT_THROW(ReadUninstallValue("DisplayName"), RegistryError);
    EXPECT_EQ(machine.registry.openHandles, 0);
}

TEST_F(RegistryTest, DeleteRemovesTheWholeTreeOnEverySystem) {
    machine.SetWindows98();
    BuildTree(HKEY_CURRENT_USER);
    DeleteRegistryKey(UninstallKeyPath, false);
    ExpectTreeGone(HKEY_CURRENT_USER, "98, per user");

    machine.SetVersion(10, 0, VER_PLATFORM_WIN32_NT, 19041);
    BuildTree(HKEY_CURRENT_USER);
    BuildTree(HKEY_LOCAL_MACHINE);
    DeleteRegistryKey(UninstallKeyPath, false);
    ExpectTreeGone(HKEY_CURRENT_USER, "10, per user");
    EXPECT_TRUE(machine.KeyExists(HKEY_LOCAL_MACHINE, UninstallKey));

    DeleteRegistryKey(UninstallKeyPath, true);
    ExpectTreeGone(HKEY_LOCAL_MACHINE, "10, machine-wide");
}

// The platform counts the longest sub-key name in characters; double-byte names take
// more bytes than that, and are fetched all the same.
TEST_F(RegistryTest, DeleteTakesSubKeysWithDoubleByteNames) {
    machine.doubleByteCodePage = true;
    const std::string key = UninstallKey;
    machine.AddKey(HKEY_CURRENT_USER, key + "\\\x88\x9F\x88\x9F\x88\x9F\\\x88\xA0\x88\xA0");
    machine.AddKey(HKEY_CURRENT_USER, key + "\\ab");
    DeleteRegistryKey(UninstallKeyPath, false);
    EXPECT_FALSE(machine.KeyExists(HKEY_CURRENT_USER, UninstallKey));
    EXPECT_EQ(machine.registry.openHandles, 0);
}

TEST_F(RegistryTest, DeleteOfAMissingKeyDoesNothing) {
    machine.AddKey(HKEY_CURRENT_USER,
                   "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other");
    DeleteRegistryKey(UninstallKeyPath, false);
    DeleteRegistryKey("\\Software\\Nowhere\\At\\All", true);
    EXPECT_TRUE(machine.KeyExists(
        HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other"));
    EXPECT_TRUE(machine.Lines("regdel:").empty());
    EXPECT_EQ(BoxesOf(machine), Strings{});
}

TEST_F(RegistryTest, DeleteNeverTakesTheRoot) {
    machine.AddKey(HKEY_CURRENT_USER, "Software\\Keep");
    DeleteRegistryKey("\\", false);
    DeleteRegistryKey("", false);
    EXPECT_TRUE(machine.KeyExists(HKEY_CURRENT_USER, "Software\\Keep"));
    EXPECT_EQ(machine.Lines("regdel:"), Strings{});
}

TEST_F(RegistryTest, WriteCreatesTheKeyAndStoresAString) {
    State.LogLines.reset(new StringList());
    State.LogFolder = "C:\\Logs\\";  // as the log would be kept were it ever on
    EXPECT_TRUE(
        RegistryWrite("Path", "C:\\Study\\", "\\Software\\Tessaly\\New\\Deep", HKEY_CURRENT_USER));
    EXPECT_EQ(machine.ValueType(HKEY_CURRENT_USER, "Software\\Tessaly\\New\\Deep", "Path"),
              static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(machine.StringValue(HKEY_CURRENT_USER, "Software\\Tessaly\\New\\Deep", "Path"),
              "C:\\Study\\");
    EXPECT_EQ(BoxesOf(machine), Strings{});
    EXPECT_EQ(*State.LogLines, StringList{"Registry Updated for Key: Path Value: \"C:\\Study\\\""});
    EXPECT_EQ(machine.registry.openHandles, 0);
}

TEST_F(RegistryTest, FailedWriteShowsItsBoxAndLogsOnlyMachineWide) {
    State.LogLines.reset(new StringList());
    State.LogFolder = "C:\\Logs\\";
    machine.AddKey(HKEY_CURRENT_USER, "Software\\Locked");
    machine.ProtectKey(HKEY_CURRENT_USER, "Software\\Locked");
    machine.AddKey(HKEY_LOCAL_MACHINE, RunOnceKey);
    machine.ProtectKey(HKEY_LOCAL_MACHINE, RunOnceKey);
    const std::string boxText = "Registry Write Failed for Key: KestDel.Exe1 Value: \"Del C:\\X\"";

    EXPECT_FALSE(
        RegistryWrite("KestDel.Exe1", "Del C:\\X", "\\Software\\Locked", HKEY_CURRENT_USER));
    EXPECT_EQ(BoxesOf(machine), Strings{"RegistryWrite | " + boxText});
    EXPECT_EQ(machine.boxes[0].style, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(State.LogLines->empty());

    EXPECT_FALSE(RegistryWrite("KestDel.Exe1", "Del C:\\X", RunOnceKeyPath, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(BoxesOf(machine), Strings(2, "RegistryWrite | " + boxText));
    EXPECT_EQ(
        *State.LogLines,
        StringList({"Registry Update Open Failed for Key: KestDel.Exe1 Value: \"Del C:\\X\""}));
    EXPECT_FALSE(machine.ValueExists(HKEY_LOCAL_MACHINE, RunOnceKey, "KestDel.Exe1"));
    EXPECT_EQ(machine.registry.openHandles, 0);
}

// A value whose data cannot be read or written after its key opened: the accessor
// raises the error naming the value; a write's error ends in the RegistryWrite box,
// and nothing is stored or logged as updated.
TEST_F(RegistryTest, ValueThatCannotBeReadOrWrittenRaisesItsError) {
    machine.SetString(HKEY_CURRENT_USER, UninstallKey, "DisplayName", "Tessaly");
    struct Case {
        const char* call;
        long failing;  // the number of the call that fails
        std::string error;
    } cases[] = {
        // The first query asks for the size, the second reads the data.
        {"RegQueryValueExA", 2, "Failed to get data for 'DisplayName'"},
        {"RegSetValueExA", 1, "Failed to set data for 'DisplayName'"},
    };
    for (const Case& c : cases) {
        machine.faults.callsByName.clear();
        machine.faults.plan.numberedCalls = {{c.call, {c.failing}}};
        RegistryAccessor registry(HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKey(UninstallKey, false));
        std::string error;
        try {
            if (c.failing == 1) {
                registry.WriteString("DisplayName", "Other");
            } else {
                registry.ReadString("DisplayName");
            }
        } catch (const RegistryError& raised) {
            error = raised.what();
        }
        EXPECT_EQ(error, c.error);
    }
    EXPECT_EQ(machine.StringValue(HKEY_CURRENT_USER, UninstallKey, "DisplayName"), "Tessaly");

    State.LogLines.reset(new StringList());
    State.LogFolder = "C:\\Logs\\";
    machine.faults.callsByName.clear();
    machine.faults.plan.numberedCalls = {{"RegSetValueExA", {1}}};
    EXPECT_FALSE(RegistryWrite("DisplayName", "Other", UninstallKeyPath, HKEY_CURRENT_USER));
    EXPECT_EQ(
        BoxesOf(machine),
        Strings{"RegistryWrite | Registry Write Failed for Key: DisplayName Value: \"Other\""});
    EXPECT_TRUE(State.LogLines->empty());
    EXPECT_EQ(machine.StringValue(HKEY_CURRENT_USER, UninstallKey, "DisplayName"), "Tessaly");
    EXPECT_EQ(machine.registry.openHandles, 0);
}

TEST_F(RegistryTest, RunOnceCommandIsWrappedOnTheNtFamily) {
    EXPECT_TRUE(AddRunOnceCommand("KestDel.Exe1", "Del C:\\PROGRA~1\\STUDY\\KESTDEL.EXE"));
    EXPECT_EQ(machine.StringValue(HKEY_LOCAL_MACHINE, RunOnceKey, "KestDel.Exe1"),
              "cmd.exe /c \"Del C:\\PROGRA~1\\STUDY\\KESTDEL.EXE\"");

    machine.SetWindows98();
    EXPECT_TRUE(AddRunOnceCommand("KestDel.Exe1", "Rd  C:\\PROGRA~1\\STUDY"));
    EXPECT_EQ(machine.StringValue(HKEY_LOCAL_MACHINE, RunOnceKey, "KestDel.Exe1"),
              "Rd  C:\\PROGRA~1\\STUDY");
    EXPECT_EQ(BoxesOf(machine), Strings{});
}

TEST_F(RegistryTest, ProgramFolderIsWhatPrecedesTheUninstallerName) {
    struct Case {
        std::string value;
        std::string folder;
    };
    const std::vector<Case> cases = {
        {"C:\\Program Files\\Study\\KestDel.Exe \"Study\" Study", "C:\\Program Files\\Study\\"},
        {"c:\\study\\kestdel.exe", "c:\\study\\"},
        {"D:\\Apps\\Study\\KESTDEL.EXE a b c d", "D:\\Apps\\Study\\"},
        {"D:\\Apps\\Study\\Kest.Exe /uninstall", ""},
        {"KestDel.Exe a b c d", ""},
        {"\"C:\\Program Files\\Study\\KestDel.Exe\" a b", "C:\\Program Files\\Study\\"},
        {"\"KestDel.Exe\" a b c d", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        SetUninstallString(c.value);
        EXPECT_EQ(InstalledProgramFolder(), c.folder) << c.value;
    }
}

TEST_F(RegistryTest, DataFolderIsTheFourthTokenAfterTheProgramFolder) {
    SetUninstallString(
        "C:\\Program Files\\Study\\KestDel.Exe \"Tessaly Study\" \"Tessaly\" "
        "\"C:\\Study Data\\\" \"C:\\Study Extra\\\"");
    EXPECT_EQ(InstalledDataFolder(), "C:\\Study Data\\");

    SetUninstallString("C:\\Study\\Kest.Exe a b D:\\Data\\ e");
    EXPECT_EQ(InstalledDataFolder(), "D:\\Data\\");

    SetUninstallString(
        "\"C:\\Program Files\\Study\\KestDel.Exe\" Study Study \"C:\\Study Data\\\" x");
    EXPECT_EQ(InstalledDataFolder(), "C:\\Study Data\\");

    machine.SetString(HKEY_CURRENT_USER, UninstallKey, "UninstallString", "");
    EXPECT_EQ(InstalledDataFolder(), "");
}

}  // namespace
