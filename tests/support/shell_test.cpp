// The shell folders of the desktop and the start menu, with their fall-backs.
#include <string>
#include <vector>

#include "SimTest.h"
#include "WinSys.h"
#include "WinSysShell.h"

namespace {

class ShellTest : public SimTest {};

TEST_F(ShellTest, DesktopFolderComesFromTheCommonDesktopValue) {
    machine.SetString(HKEY_LOCAL_MACHINE, ShellFolders, "Common Desktop",
                      "C:\\Users\\Public\\Desktop");
    EXPECT_EQ(DesktopFolder(), "C:\\Users\\Public\\Desktop\\");

    machine.SetString(HKEY_LOCAL_MACHINE, ShellFolders, "Common Desktop", "");
    EXPECT_EQ(DesktopFolder(), "C:\\Windows\\desktop\\");

    machine.SetWindows98();
    machine.windowsFolder = "C:\\WIN98";
    EXPECT_EQ(DesktopFolder(), "C:\\WIN98\\desktop\\");

    // Windows 98 reads the same value.
    machine.SetString(HKEY_LOCAL_MACHINE, ShellFolders, "Common Desktop", "C:\\WIN98\\All Desktop");
    EXPECT_EQ(DesktopFolder(), "C:\\WIN98\\All Desktop\\");
}

TEST_F(ShellTest, ProgramsFolderOnTheNtFamilyIsAboveCommonStartup) {
    const std::vector<std::string> stored = {
        "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\Startup",
        "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\Startup\\",
    };
    machine.SetString(HKEY_CURRENT_USER, ShellFolders, "Programs", "C:\\Mine\\Programs");
    for (const std::string& value : stored) {
        machine.SetString(HKEY_LOCAL_MACHINE, ShellFolders, "Common Startup", value);
        EXPECT_EQ(ProgramsFolder(), "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\")
            << value;
    }
}

TEST_F(ShellTest, ProgramsFolderFallsBackBelowTheWindowsFolder) {
    machine.SetString(HKEY_CURRENT_USER, ShellFolders, "Programs", "C:\\Mine\\Programs");
    EXPECT_EQ(ProgramsFolder(), "C:\\Windows\\Start Menu\\Programs\\");
    EXPECT_EQ(BoxesOf(machine), Strings{});
}

TEST_F(ShellTest, ProgramsFolderOutsideTheNtFamilyIsTheUsersOwn) {
    machine.SetWindows98();
    machine.SetString(HKEY_LOCAL_MACHINE, ShellFolders, "Common Startup",
                      "C:\\All\\Programs\\Startup");
    machine.SetString(HKEY_CURRENT_USER, ShellFolders, "Programs",
                      "C:\\WINDOWS\\Start Menu\\Programs");
    EXPECT_EQ(ProgramsFolder(), "C:\\WINDOWS\\Start Menu\\Programs\\");

    machine.SetString(HKEY_CURRENT_USER, ShellFolders, "Programs", "");
    machine.windowsFolder = "C:\\WIN98";
    EXPECT_EQ(ProgramsFolder(), "C:\\WIN98\\Start Menu\\Programs\\");
}

// A Windows folder the system will not name is reported each time it is asked for,
// and the fall-backs are then the bare names below it.
TEST_F(ShellTest, FallBacksWithoutTheWindowsFolderReportIt) {
    machine.messageTexts[ERROR_NOT_ENOUGH_MEMORY] = "Not enough memory.\r\n";
    machine.faults.plan.calls = {"GetWindowsDirectoryA"};
    EXPECT_EQ(DesktopFolder(), "desktop\\");
    EXPECT_EQ(ProgramsFolder(), "Start Menu\\Programs\\");
    EXPECT_EQ(BoxesOf(machine),
              Strings(2, "Windows Error: GetWindowsDirectory | Not enough memory. "));
}

TEST_F(ShellTest, ValueOfAnotherTypePassesItsError) {
    machine.SetDword(HKEY_LOCAL_MACHINE, ShellFolders, "Common Desktop", 1);
    EXPECT_THROW(DesktopFolder(), RegistryError);
}

}  // namespace
