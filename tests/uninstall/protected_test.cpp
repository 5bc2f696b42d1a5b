// The folders the uninstaller refuses to remove, whatever its command line says.
#include <string>
#include <vector>

#include "KestDelProtected.h"
#include "KestDelRemove.h"
#include "KestDelTest.h"

namespace {

const char* const CurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
const char* const CommonPrograms = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const char* const ProfileList = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// A REG_EXPAND_SZ value, as the profile list stores its paths.
void SetExpandable(winsim::Machine& m, const std::string& key, const std::string& name,
                   const std::string& text) {
    m.SetValue(HKEY_LOCAL_MACHINE, key, name, REG_EXPAND_SZ, text + std::string(1, '\0'));
}

// A Windows 10 machine whose system, profile and shell folders are registered as a
// user who is no administrator finds them: the machine-wide keys may be read, not
// changed. Besides the running user's profile, the profile list holds bob's below the
// profiles folder and carol's on another drive.
class ProtectedTest : public KestDelTest {
protected:
    ProtectedTest() { Register(machine); }

    static void Register(winsim::Machine& m) {
        m.environment["USERPROFILE"] = "C:\\Users\\reader";
        m.SetString(HKEY_LOCAL_MACHINE, CurrentVersion, "ProgramFilesDir", "C:\\Program Files");
        m.SetString(HKEY_LOCAL_MACHINE, ShellFolders, "Common Desktop",
                    "C:\\Users\\Public\\Desktop");
        m.SetString(HKEY_LOCAL_MACHINE, ShellFolders, "Common Startup",
                    std::string(CommonPrograms) + "\\Startup");
        m.SetString(HKEY_LOCAL_MACHINE, ShellFolders, "Common Programs", CommonPrograms);
        m.SetString(HKEY_CURRENT_USER, ShellFolders, "Desktop", "C:\\Users\\reader\\Desktop");
        m.SetString(
            HKEY_CURRENT_USER, ShellFolders, "Programs",
            "C:\\Users\\reader\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs");
        m.SetString(HKEY_CURRENT_USER, ShellFolders, "Personal", "C:\\Users\\reader\\Documents");
        m.SetString(HKEY_CURRENT_USER, ShellFolders, "My Pictures", "C:\\Users\\reader\\Pictures");
        m.SetString(HKEY_CURRENT_USER, ShellFolders, "Favorites", "C:\\Users\\reader\\Favorites");
        m.SetString(HKEY_CURRENT_USER, ShellFolders, "{374DE290-123F-4565-9164-39C4925E467B}",
                    "C:\\Users\\reader\\Downloads");
        m.environment["SystemDrive"] = "C:";
        SetExpandable(m, ProfileList, "ProfilesDirectory", "%SystemDrive%\\Users");
        SetExpandable(m, ProfileList, "Default", "%SystemDrive%\\Users\\Default");
        SetExpandable(m, ProfileList, "Public", "%SystemDrive%\\Users\\Public");
        SetExpandable(m, std::string(ProfileList) + "\\S-1-5-21-7-1001", "ProfileImagePath",
                      "%SystemDrive%\\Users\\bob");
        SetExpandable(m, std::string(ProfileList) + "\\S-1-5-21-7-1002", "ProfileImagePath",
                      "D:\\Profiles\\carol\\");
        m.ProtectKey(HKEY_LOCAL_MACHINE, CurrentVersion);
        m.ProtectKey(HKEY_LOCAL_MACHINE, ProfileList);
        for (const char* folder :
             {"C:\\Program Files\\Tessaly", "C:\\Users\\reader\\Documents\\Tessaly",
              "C:\\Users\\Public\\Desktop", "C:\\Users\\reader\\Desktop", CommonPrograms}) {
            m.AddFolder(folder);
        }
    }
};

TEST_F(ProtectedTest, RefusesRootsSystemAndShellFoldersAndWhatHoldsThem) {
    struct Case {
        const char* path;
        bool isProtected;
    } cases[] = {
        {"", true},
        {"   ", true},
        {"Tessaly", true},
        {"..\\Tessaly", true},
        {"\\Tessaly", true},
        {"C:Tessaly", true},
        {"C:", true},
        {"C:\\", true},
        {"c:/", true},
        {"D:\\\\", true},
        {"\\\\server\\share", true},
        {"\\\\server\\share\\", true},
        {"\\\\server", true},
        {"\\\\server\\share\\Tessaly", true},
        {"\\\\localhost\\C$\\Windows", true},
        {"\\\\127.0.0.1\\c$\\Windows\\", true},
        {"//localhost/C$/Windows", true},
        {"C:\\Windows::$INDEX_ALLOCATION", true},
        {"C:\\Windows:$I30:$INDEX_ALLOCATION", true},
        {"C:\\Program Files\\Tessaly:x", true},
        {"C:\\Windows\\System32\\drivers", true},
        {"C:\\Windows\\System32\\config\\", true},
        {"C:\\WINDOWS\\SYSTEM32\\DRIVERS\\etc", true},
        {"C:\\Windows\\WinSxS", true},
        {"C:\\Windows\\WinSxS\\x86_one", true},
        {"C:\\Windows\\Sysnative\\drivers", true},
        {"C:\\Windows\\SysWOW64\\drivers", true},
        {"C:\\Windows\\Fonts\\Tessaly", true},
        {"C:\\Windows\\Tessaly", true},
        {"C:\\Windows\\inf", true},
        {"C:\\Windows\\Installer\\", true},
        {"c:\\windows\\servicing", true},
        {"C:\\Windows\\Temp", true},
        {"C:\\Windowsx\\Tessaly", false},
        {"C:\\Users\\admin", true},
        {"C:\\Users\\Default\\", true},
        {"C:\\Users\\admin\\Tessaly", false},
        {"C:\\Users\\reader\\Pictures", true},
        {"C:\\Users\\reader\\Favorites", true},
        {"C:\\Users\\reader\\Downloads", true},
        {"C:\\Users\\reader\\Downloads\\Tessaly", false},
        {"C:\\Users\\bob\\Documents\\", true},
        {"C:\\Users\\bob\\Desktop", true},
        {"C:\\Users\\bob\\Downloads", true},
        {"C:\\Users\\bob\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs", true},
        {"C:\\Users\\bob\\Documents\\Tessaly", false},
        {"D:\\Profiles", true},
        {"D:\\Profiles\\carol", true},
        {"D:\\Profiles\\carol\\Documents", true},
        {"d:\\profiles\\carol\\pictures\\", true},
        {"D:\\Profiles\\carol\\Tessaly", false},
        {"D:\\Profiles\\dave", false},
        {"C:\\Users\\Default\\Documents", true},
        {"C:\\Users\\Public\\Documents", true},
        {"C:\\Users\\Public\\Desktop\\Tessaly", false},
        {"\\\\?\\C:\\Tessaly", true},
        {"\\\\.\\C:\\Tessaly", true},
        {"C:\\Windows", true},
        {"c:\\WINDOWS\\", true},
        {"C:/Windows", true},
        {"C:\\Windows.", true},
        {"C:\\Windows \\", true},
        {"C:\\Windows\\.", true},
        {"C:\\Tessaly\\..\\Windows", true},
        {"C:\\Tessaly/../Windows", true},
        {"C:/Program Files/Tessaly", false},
        {"C:\\Tessaly\\\\Data", true},
        {"C:\\Windows\\System32", true},
        {"C:\\Windows\\Fonts", true},
        {"C:\\Windows\\SysWOW64", true},
        {"C:\\Windows\\Start Menu\\Programs\\Tessaly", true},
        {"C:\\Program Files", true},
        {"C:\\PROGRA~1", true},
        {"C:\\Program Files\\Tessaly", false},
        {"C:\\Program Files\\Tessaly\\", false},
        {"C:\\PROGRA~1\\Tessaly", false},
        {"C:\\Users", true},
        {"C:\\Users\\reader", true},
        {"C:\\Users\\reader\\Documents\\Tessaly", false},
        {"C:\\Users\\reader\\Documents", true},
        {"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup", true},
        {"C:\\Users\\reader\\Desktop", true},
        {"C:\\Users\\Public\\Desktop\\", true},
        {"C:\\Users\\Public", true},
        {"C:\\ProgramData\\Microsoft\\Windows\\Start Menu", true},
        {"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs", true},
        {"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tessaly", false},
        {"C:\\Users\\reader\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs", true},
        {"1:\\Tessaly", true},
        {"@:\\Tessaly", true},
        {"[:\\Tessaly", true},
        {"`:\\Tessaly", true},
        {"{:\\Tessaly", true},
        {"A:\\Tessaly", false},
        {"Z:\\Tessaly", false},
        {"a:\\Tessaly", false},
        {"z:\\Tessaly", false},
        {"C:\\Tess*", true},
        {"C:\\Tessaly?", true},
    };
    const ProtectionScope protection;  // the system's folders read once for the whole table
    for (const Case& c : cases) {
        EXPECT_EQ(IsProtectedFolder(c.path), c.isProtected) << "\"" << c.path << "\"";
    }
}

// Windows 98 registers no profile, no Program Files value and no common folders; the
// user's own desktop and programs folders lie below the Windows folder.
TEST_F(ProtectedTest, KnowsTheFoldersOfWindows98) {
    winsim::Machine old;
    old.SetWindows98();
    old.environment["USERPROFILE"] = "C:\\Windows\\Profiles\\ann";
    old.SetString(HKEY_CURRENT_USER, ShellFolders, "Desktop", "C:\\Windows\\Desktop");
    old.SetString(HKEY_CURRENT_USER, ShellFolders, "Programs", "C:\\Windows\\Start Menu\\Programs");

    EXPECT_TRUE(IsProtectedFolder("C:\\Windows\\Start Menu\\Programs"));
    EXPECT_TRUE(IsProtectedFolder("C:\\Windows\\Desktop"));
    EXPECT_TRUE(IsProtectedFolder("C:\\Windows\\Profiles\\ann"));
    EXPECT_FALSE(IsProtectedFolder("C:\\Windows\\Profiles\\ann\\Tessaly"));
    EXPECT_FALSE(IsProtectedFolder("C:\\Windows\\Start Menu\\Programs\\Tessaly"));
    EXPECT_FALSE(IsProtectedFolder("C:\\Windows\\Tessaly"));
    EXPECT_TRUE(IsProtectedFolder("C:\\Windows\\System32\\Tessaly"));
    EXPECT_FALSE(IsProtectedFolder("C:\\Program Files\\Tessaly"));
}

// Without registered desktop and programs folders Windows 98 has them below the Windows
// folder, where the system's fall-backs name them.
TEST_F(ProtectedTest, KnowsTheFallBackFoldersOfWindows98) {
    CleanMachine old(Administrator());
    old.SetWindows98();

    EXPECT_TRUE(IsProtectedFolder("C:\\Windows\\Desktop"));
    EXPECT_TRUE(IsProtectedFolder("C:\\Windows\\Start Menu\\Programs\\"));
    EXPECT_TRUE(IsProtectedFolder("C:\\Windows\\Start Menu"));
    EXPECT_FALSE(IsProtectedFolder("C:\\Windows\\Start Menu\\Programs\\Tessaly"));
    EXPECT_FALSE(IsProtectedFolder("C:\\Windows\\Desktop\\Tessaly"));
}

// Windows NT 4.0 keeps the profiles, and with them the desktop and start menu, in the
// Windows folder: there, as on Windows 98, only its system folders are refused whole.
TEST_F(ProtectedTest, KnowsTheFoldersOfWindowsNT4) {
    CleanMachine nt4(Administrator());
    nt4.SetWindowsNT4();
    nt4.windowsFolder = "C:\\WINNT";
    nt4.systemFolder = "C:\\WINNT\\system32";
    nt4.AddFolder("C:\\WINNT\\system32");
    nt4.environment["USERPROFILE"] = "C:\\WINNT\\Profiles\\ann";
    nt4.SetString(HKEY_LOCAL_MACHINE, ShellFolders, "Common Programs",
                  "C:\\WINNT\\Profiles\\All Users\\Start Menu\\Programs");
    nt4.SetString(HKEY_CURRENT_USER, ShellFolders, "Desktop", "C:\\WINNT\\Profiles\\ann\\Desktop");

    EXPECT_FALSE(
        IsProtectedFolder("C:\\WINNT\\Profiles\\All Users\\Start Menu\\Programs\\Tessaly"));
    EXPECT_TRUE(IsProtectedFolder("C:\\WINNT\\Profiles\\All Users\\Start Menu\\Programs"));
    EXPECT_TRUE(IsProtectedFolder("C:\\WINNT\\Profiles\\ann\\Desktop"));
    EXPECT_TRUE(IsProtectedFolder("C:\\WINNT\\Profiles\\bob"));
    EXPECT_TRUE(IsProtectedFolder("C:\\WINNT\\system32\\drivers"));
    EXPECT_FALSE(IsProtectedFolder("C:\\WINNT\\Tessaly"));
}

TEST_F(ProtectedTest, RefusedFoldersAreReportedCountedAndLeftAlone) {
    struct Case {
        const char* path;
        bool tree;  // RemoveDirectoryTree, else RemoveEmptyFolder
    } cases[] = {
        {"C:\\Windows", true},
        {"C:\\", true},
        {"C:\\Users", true},
        {"C:\\Program Files\\", true},
        {"Tessaly", true},
        {"\\\\localhost\\C$\\Windows", true},
        {"C:\\Windows::$INDEX_ALLOCATION", false},
        {"C:\\Windows\\System32\\drivers", true},
        {"C:\\Windows\\Sysnative\\drivers\\", true},
        {CommonPrograms, false},
        {"C:\\Users\\Public\\Desktop\\", false},
        {"C:\\Windows\\Fonts", false},
    };
    for (const Case& c : cases) {
        CleanMachine fresh(Administrator());
        Register(fresh);
        fresh.AddFolder("C:\\Windows\\Fonts");
        fresh.AddFolder("C:\\Windows\\System32\\drivers");
        fresh.AddFolder("C:\\Tessaly");
        fresh.wow64 = true;
        fresh.currentFolder = "C:\\";
        State.ProgramFolder = c.path;  // not even the running uninstaller's folder is spared

        EXPECT_FALSE(c.tree ? RemoveDirectoryTree(c.path) : RemoveEmptyFolder(c.path)) << c.path;

        EXPECT_EQ(BoxesOf(fresh),
                  Strings{std::string("Directory Delete | Directory not deleted: ") + c.path});
        EXPECT_EQ(State.FailureCount, 1) << c.path;
        EXPECT_TRUE(fresh.recycled.empty()) << c.path;
        EXPECT_EQ(fresh.Lines("rmdir: "), Strings{}) << c.path;
        EXPECT_TRUE(fresh.Exists("C:\\Windows\\Fonts")) << c.path;
        EXPECT_TRUE(fresh.Exists("C:\\Windows\\System32\\drivers")) << c.path;
        EXPECT_TRUE(fresh.Exists("C:\\Tessaly")) << c.path;
        EXPECT_TRUE(fresh.Exists(CommonPrograms)) << c.path;
    }
}

// Every other name of a protected folder: a second drive letter for it (subst, or a
// second dosdevices link in Wine) and junctions above or at it. On the NT family the
// folder a path reaches is compared by its identity too.
TEST_F(ProtectedTest, RefusesOtherNamesOfProtectedFolders) {
    machine.AddFolder("C:\\Windows\\System32\\drivers");
    machine.AddFolder("C:\\Apps\\Tessaly");
    machine.AddDriveAlias('W', "C:\\Windows");
    machine.AddDriveAlias('S', "C:\\Windows\\System32");
    machine.AddDriveAlias('A', "C:\\Apps");
    machine.AddLink("C:\\Documents and Settings", "C:\\Users");
    machine.AddLink("C:\\Apps\\ToWindows", "C:\\Windows");
    machine.AddLink("C:\\Apps\\ToRoot", "C:\\");
    machine.AddLink("C:\\Apps\\ToTessaly", "C:\\Apps\\Tessaly");
    struct Case {
        const char* path;
        bool isProtected;
    } cases[] = {
        {"W:\\", true},
        {"W:\\System32", true},
        {"W:\\System32\\drivers", true},
        {"S:\\drivers", true},
        {"A:\\", true},
        {"A:\\Tessaly", false},
        {"A:\\ToTessaly", false},
        {"C:\\Documents and Settings\\reader\\Desktop", true},
        {"C:\\Documents and Settings\\admin", true},
        {"C:\\Documents and Settings\\reader\\Documents\\Tessaly", false},
        {"C:\\Apps\\ToWindows", true},
        {"C:\\Apps\\ToWindows\\System32\\drivers", true},
        {"C:\\Apps\\ToRoot", true},
        {"C:\\Apps\\ToRoot\\Program Files", true},
        {"C:\\Apps\\ToRoot\\Program Files\\Tessaly", false},
        {"W:\\Tessaly", true},
        {"C:\\Apps\\ToWindows\\inf", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsProtectedFolder(c.path), c.isProtected) << c.path;
    }
    // The tree removal of another name leaves the folder and what it holds alone.
    EXPECT_FALSE(RemoveDirectoryTree("W:\\System32\\drivers"));
    EXPECT_FALSE(RemoveDirectoryTree("C:\\Apps\\ToWindows\\System32\\drivers\\"));
    EXPECT_TRUE(machine.Exists("C:\\Windows\\System32\\drivers"));
    EXPECT_TRUE(machine.recycled.empty());

    // Windows 98 knows no junctions and no identities: the text alone decides.
    machine.SetWindows98();
    EXPECT_FALSE(IsProtectedFolder("W:\\Tessaly"));
    EXPECT_TRUE(IsProtectedFolder("W:\\"));
    EXPECT_TRUE(IsProtectedFolder("C:\\Windows\\Fonts. \\Tessaly"));
}

// The profiles folder as the profile list registers it holds every user's profile,
// each of which is protected, whatever the current user's profile is.
TEST_F(ProtectedTest, RefusesEveryProfileOfTheProfileList) {
    CleanMachine fresh(Administrator());
    fresh.environment["SystemDrive"] = "D:";
    fresh.SetValue(HKEY_LOCAL_MACHINE,
                   "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
                   "ProfilesDirectory", REG_EXPAND_SZ, std::string("%SystemDrive%\\Users\0", 21));
    fresh.ProtectKey(HKEY_LOCAL_MACHINE,
                     "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList");
    fresh.AddFolder("D:\\Users\\ann\\Tessaly");
    EXPECT_TRUE(IsProtectedFolder("D:\\Users\\ann"));  // a profile list without sub-keys
    SetExpandable(fresh, std::string(ProfileList) + "\\S-1-5-21-7-1004", "ProfileImagePath",
                  "E:\\Home\\zoe");

    EXPECT_TRUE(IsProtectedFolder("D:\\Users"));
    EXPECT_TRUE(IsProtectedFolder("D:\\Users\\ann"));
    EXPECT_TRUE(IsProtectedFolder("D:\\Users\\Default"));
    EXPECT_FALSE(IsProtectedFolder("D:\\Users\\ann\\Tessaly"));
    EXPECT_FALSE(IsProtectedFolder("D:\\UsersOld\\ann"));
    EXPECT_TRUE(IsProtectedFolder("E:\\Home\\zoe\\"));
    EXPECT_FALSE(IsProtectedFolder("E:\\Home\\zoe\\Tessaly"));

    // A profile whose path expands to more than a thousand characters is refused too.
    std::string deep = "\\Deep";
    for (int i = 0; i < 6; ++i) {
        deep += "\\" + std::string(200, 'd');
    }
    SetExpandable(fresh, std::string(ProfileList) + "\\S-1-5-21-7-1005", "ProfileImagePath",
                  "%SystemDrive%" + deep);
    EXPECT_TRUE(IsProtectedFolder("D:" + deep));
    EXPECT_FALSE(IsProtectedFolder("D:" + deep + "\\Tessaly"));

    // A profile at a drive's root: every folder beside it may be another user's.
    fresh.environment["USERPROFILE"] = "E:\\ann";
    EXPECT_TRUE(IsProtectedFolder("E:\\bob"));
    EXPECT_FALSE(IsProtectedFolder("E:\\ann\\Tessaly"));

    // A profile path longer than the system will hand over names no folder: none is guessed.
    fresh.environment["USERPROFILE"] = "D:\\Users\\" + std::string(1100, 'p');
    EXPECT_FALSE(IsProtectedFolder("D:\\Users\\ann\\Tessaly"));
    EXPECT_TRUE(IsProtectedFolder("D:\\Users\\ann"));
}

// Windows XP names the default and the common profile inside the profiles folder; the
// running user's shell folders are refused in each of them and in every listed profile.
TEST_F(ProtectedTest, RefusesTheUsersShellFoldersInEveryProfile) {
    CleanMachine xp(Administrator());
    xp.SetWindowsXP();
    const std::string profiles = "C:\\Documents and Settings\\";
    xp.environment["SystemDrive"] = "C:";
    xp.environment["USERPROFILE"] = profiles + "admin";
    SetExpandable(xp, ProfileList, "ProfilesDirectory", "%SystemDrive%\\Documents and Settings");
    xp.SetString(HKEY_LOCAL_MACHINE, ProfileList, "AllUsersProfile", "All Users");
    xp.SetString(HKEY_LOCAL_MACHINE, ProfileList, "DefaultUserProfile", "Default User");
    SetExpandable(xp, std::string(ProfileList) + "\\S-1-5-21-7-1003", "ProfileImagePath",
                  "E:\\Home\\zoe");
    xp.SetString(HKEY_CURRENT_USER, ShellFolders, "Personal", profiles + "admin\\My Documents");
    xp.SetString(HKEY_CURRENT_USER, ShellFolders, "Local AppData",
                 profiles + "admin\\Local Settings\\Application Data");
    xp.SetString(HKEY_CURRENT_USER, ShellFolders, "Fonts", "C:\\WINDOWS\\Fonts");
    struct Case {
        std::string path;
        bool isProtected;
    } cases[] = {
        {profiles + "All Users\\My Documents", true},
        {profiles + "Default User\\Local Settings\\Application Data", true},
        {profiles + "Default User\\Local Settings", true},
        {"E:\\Home\\zoe\\My Documents\\", true},
        {"E:\\Home\\zoe", true},
        {"E:\\Home\\zoe\\My Documents\\Tessaly", false},
        {"E:\\Home\\zoe\\Fonts", false},
        {"E:\\Home\\zoe\\WINDOWS\\Fonts", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsProtectedFolder(c.path), c.isProtected) << c.path;
    }
}

// In a double-byte code page a name's trail byte may be 0x5C or 0x7C, the bytes of a
// backslash and a vertical bar: names are read character by character.
TEST_F(ProtectedTest, ReadsDoubleByteNamesByCharacter) {
    machine.doubleByteCodePage = true;
    const std::string support = "C:\\Program Files\\\x83\x54\x83\x7C\x81\x5B\x83\x67";  // サポート
    const std::string table = "C:\\Program Files\\\x95\x5C";                            // 表
    machine.AddFile(support + "\\a.txt", "a");
    machine.AddFile(table + "\\b.txt", "b");

    EXPECT_FALSE(IsProtectedFolder(support));
    EXPECT_FALSE(IsProtectedFolder(table + "\\"));
    EXPECT_TRUE(RemoveDirectoryTree(support));
    EXPECT_TRUE(RemoveDirectoryTree(table));

    EXPECT_EQ(machine.recycled, (Strings{support, table}));
    EXPECT_TRUE(machine.boxes.empty());
    EXPECT_TRUE(IsProtectedFolder("C:\\Program Files\\\x95\x5C\\..\\.."));
}

}  // namespace
