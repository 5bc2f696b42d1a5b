// The whole uninstall on the simulated machine: confirmation, unregistering, what
// goes and what stays, the uninstall keys, the restart commands and the final box.
#include <string>
#include <vector>

#include "KestDel.h"
#include "KestDelTest.h"
#include "Tools.h"
#include "WinSysRegistry.h"

namespace {

const char* const Reboot = "Uninstall | Reboot computer to complete program uninstall.";
const char* const Partial =
    "Uninstall | Program Partially Deleted. Reboot computer and try to remove program again.";
const char* const Complete = "Uninstall | Program uninstall complete.";

const std::string Program = "C:\\Program Files\\Tessaly\\";
const std::string Uninstaller = Program + "KestDel.Exe";
const std::string Data = "C:\\Users\\reader\\Documents\\Tessaly Data\\";
const std::string Extra = "C:\\Tessaly Extra";
const std::string Desktop = "C:\\Users\\Public\\Desktop\\";
const std::string Programs = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";

// An installed product as its setup leaves it, with the uninstaller running.
void Install(winsim::Machine& m, const std::string& program = Program, bool withKest = true) {
    m.SetString(HKEY_LOCAL_MACHINE, ShellFolders, "Common Desktop", Desktop);
    m.SetString(HKEY_LOCAL_MACHINE, ShellFolders, "Common Startup", Programs + "Startup");
    m.SetString(HKEY_CURRENT_USER, ShellFolders, "Programs", Programs);  // outside the NT family
    m.AddFile(program + "KestDel.Exe", "MZ uninstaller");
    m.SetInUse(program + "KestDel.Exe");
    if (withKest) {
        m.AddFile(program + "kest.exe", "MZ program");
    }
    m.AddFile(program + "Books\\Bible.801", "book");
    m.AddFile(program + "Fonts\\sans.ttf", "font");
    m.AddFile(program + "Fonts\\Fonts.Reg", "\"Kest Sans\" \"" + program + "Fonts\\sans.ttf\"\r\n");
    m.AddFile(Data + "Notes\\n.txt", "note");
    m.AddFile(Data + "Fonts\\Fonts.Reg", "");
    m.AddFile(Extra + "\\x.dat", "x");
    m.AddFile(Desktop + "Tessaly.Lnk", "link");
    m.AddFile(Desktop + "Other.Lnk", "link");
    m.AddFile(Programs + "Tessaly\\Tessaly.Lnk", "link");
    m.AddFile(Programs + "Other\\Other.Lnk", "link");
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        m.SetString(root, UninstallKey, "UninstallString",
                    program + "KestDel.Exe Tessaly Tessaly \"" + Data + "\" \"" + Extra + "\"");
        m.SetString(root, UninstallKey, "DisplayName", "Tessaly");
    }
    m.SetString(HKEY_LOCAL_MACHINE, RunOnceKey, "Other", "other.exe");
}

bool Uninstall(const std::string& program = Program) {
    return UninstallProgram(program + "KestDel.Exe", "Tessaly", "Tessaly", Data, Extra);
}

class UninstallTest : public KestDelTest {};

TEST_F(UninstallTest, CancelTouchesNothing) {
    Install(machine);
    machine.boxAnswers = {IDCANCEL};

    EXPECT_TRUE(Uninstall());

    EXPECT_EQ(machine.transcript, Strings{"box: " + std::string(Confirmation)});
    EXPECT_EQ(machine.boxes[0].style, static_cast<UINT>(MB_OKCANCEL));
    EXPECT_TRUE(machine.programs.started.empty());
    EXPECT_TRUE(machine.Exists(Program + "Books\\Bible.801"));
    EXPECT_TRUE(machine.Exists(Data + "Notes\\n.txt"));
    EXPECT_TRUE(machine.KeyExists(HKEY_CURRENT_USER, UninstallKey));
}

// Only Cancel stops: a confirmation that cannot be shown at all has been reported and
// goes on.
TEST_F(UninstallTest, OnlyCancelStops) {
    Install(machine);
    machine.faults.messageBox.fail = true;
    machine.faults.messageBox.error = ERROR_NOT_ENOUGH_MEMORY;

    EXPECT_TRUE(Uninstall());

    EXPECT_FALSE(machine.Exists(Data));
    EXPECT_FALSE(machine.KeyExists(HKEY_CURRENT_USER, UninstallKey));
}

// The ordinary run on each kind of system: the running uninstaller keeps its folder,
// which the restart commands remove; a user who is no administrator removes only the
// data folder, and since a restart would complete nothing, the product stays installed.
TEST_F(UninstallTest, OrdinaryRunOnEachSystem) {
    struct Case {
        const char* name;
        bool windows98;
        bool admin;
        Strings runOnce;  // KestDel.Exe1 and KestDel.Exe2, empty when not written
    } cases[] = {
        {"NT family",
         false,
         true,
         {"cmd.exe /c \"Del C:\\PROGRA~1\\Tessaly\\KestDel.Exe\"",
          "cmd.exe /c \"Rd  C:\\PROGRA~1\\Tessaly\\\""}},
        {"Windows 98",
         true,
         true,
         {"Del C:\\PROGRA~1\\Tessaly\\KestDel.Exe", "Rd  C:\\PROGRA~1\\Tessaly\\"}},
        {"not an administrator", false, false, {}},
    };
    for (const Case& c : cases) {
        CleanMachine fresh(Administrator());
        State.IsAdmin = c.admin;
        if (c.windows98) {
            fresh.SetWindows98();
        }
        Install(fresh);
        if (!c.admin) {
            fresh.ProtectKey(HKEY_LOCAL_MACHINE, UninstallKey);
        }

        EXPECT_EQ(Uninstall(), c.admin) << c.name;

        EXPECT_EQ(BoxesOf(fresh), (Strings{Confirmation, c.admin ? Reboot : Partial})) << c.name;
        EXPECT_FALSE(fresh.Exists(Data)) << c.name;
        EXPECT_EQ(fresh.KeyExists(HKEY_CURRENT_USER, UninstallKey), !c.admin) << c.name;
        EXPECT_EQ(fresh.KeyExists(HKEY_LOCAL_MACHINE, UninstallKey), !c.admin) << c.name;
        EXPECT_TRUE(fresh.Exists(Desktop + "Other.Lnk")) << c.name;
        EXPECT_TRUE(fresh.Exists(Programs + "Other\\Other.Lnk")) << c.name;
        EXPECT_EQ(fresh.StringValue(HKEY_LOCAL_MACHINE, RunOnceKey, "Other"), "other.exe");
        if (c.admin) {
            ASSERT_EQ(fresh.programs.started.size(), 1u) << c.name;
            EXPECT_EQ(fresh.programs.started[0].commandLine,
                      "\"C:\\Program Files\\Tessaly\\kest.exe\" /unregserver")
                << c.name;
            EXPECT_EQ(fresh.List(Program), Strings{"KestDel.Exe"}) << c.name;
            EXPECT_FALSE(fresh.Exists(Extra)) << c.name;
            EXPECT_FALSE(fresh.Exists(Desktop + "Tessaly.Lnk")) << c.name;
            EXPECT_FALSE(fresh.Exists(Programs + "Tessaly")) << c.name;
            EXPECT_EQ(fresh.StringValue(HKEY_LOCAL_MACHINE, RunOnceKey, "KestDel.Exe1"),
                      c.runOnce[0])
                << c.name;
            EXPECT_EQ(fresh.StringValue(HKEY_LOCAL_MACHINE, RunOnceKey, "KestDel.Exe2"),
                      c.runOnce[1])
                << c.name;
        } else {
            EXPECT_TRUE(fresh.programs.started.empty()) << c.name;
            EXPECT_TRUE(fresh.Exists(Program + "Books\\Bible.801")) << c.name;
            EXPECT_TRUE(fresh.Exists(Program + "Fonts\\Fonts.Reg")) << c.name;
            EXPECT_TRUE(fresh.Exists(Extra)) << c.name;
            EXPECT_TRUE(fresh.Exists(Desktop + "Tessaly.Lnk")) << c.name;
            EXPECT_FALSE(fresh.ValueExists(HKEY_LOCAL_MACHINE, RunOnceKey, "KestDel.Exe1"));
            EXPECT_FALSE(fresh.ValueExists(HKEY_LOCAL_MACHINE, RunOnceKey, "KestDel.Exe2"));
        }
    }
}

// The restart commands name exactly one file and one folder: a path with a blank,
// which a volume without short names leaves long, or with a character cmd.exe treats
// specially, goes in double quotes.
TEST_F(UninstallTest, RestartCommandsQuoteAPathWithBlanks) {
    struct Case {
        const char* name;
        std::string program;
        bool shortNames;
        const char* unregister;
        const char* del;
        const char* rd;
    } cases[] = {
        {"no blank", "C:\\Tessaly\\", true, "C:\\Tessaly\\kest.exe /unregserver",
         "cmd.exe /c \"Del C:\\Tessaly\\KestDel.Exe\"", "cmd.exe /c \"Rd  C:\\Tessaly\\\""},
        {"blank without short names", "C:\\Program Files\\Tessaly\\", false,
         "\"C:\\Program Files\\Tessaly\\kest.exe\" /unregserver",
         "cmd.exe /c \"Del \"C:\\Program Files\\Tessaly\\KestDel.Exe\"\"",
         "cmd.exe /c \"Rd  \"C:\\Program Files\\Tessaly\\\"\""},
        // Characters cmd.exe splits or expands at, kept by the short form.
        {"ampersand", "C:\\R&D\\Study\\", true, "\"C:\\R&D\\Study\\kest.exe\" /unregserver",
         "cmd.exe /c \"Del \"C:\\R&D\\Study\\KestDel.Exe\"\"",
         "cmd.exe /c \"Rd  \"C:\\R&D\\Study\\\"\""},
        {"parentheses", "C:\\Kest(2)\\", true, "\"C:\\Kest(2)\\kest.exe\" /unregserver",
         "cmd.exe /c \"Del \"C:\\Kest(2)\\KestDel.Exe\"\"", "cmd.exe /c \"Rd  \"C:\\Kest(2)\\\"\""},
    };
    for (const Case& c : cases) {
        CleanMachine fresh(Administrator());
        fresh.SetShortNamesEnabled('C', c.shortNames);
        Install(fresh, c.program);

        EXPECT_TRUE(Uninstall(c.program)) << c.name;

        ASSERT_EQ(fresh.programs.started.size(), 1u) << c.name;
        EXPECT_EQ(fresh.programs.started[0].commandLine, c.unregister) << c.name;
        EXPECT_EQ(fresh.StringValue(HKEY_LOCAL_MACHINE, RunOnceKey, "KestDel.Exe1"), c.del);
        EXPECT_EQ(fresh.StringValue(HKEY_LOCAL_MACHINE, RunOnceKey, "KestDel.Exe2"), c.rd);
    }
}

// Both restart commands or neither: when one cannot be written the uninstall keys
// stay, and so must the uninstaller they name. The commands are written before the
// keys go.
TEST_F(UninstallTest, RestartCommandsAreWrittenBothOrNeitherBeforeTheKeysGo) {
    const std::string del = "cmd.exe /c \"Del C:\\PROGRA~1\\Tessaly\\KestDel.Exe\"";
    const std::string rd = "cmd.exe /c \"Rd  C:\\PROGRA~1\\Tessaly\\\"";
    const std::string runOnce = std::string("HKLM\\") + RunOnceKey + "\\";
    const std::string writeFailed = "RegistryWrite | Registry Write Failed for Key: ";
    struct Case {
        const char* name;
        std::vector<long> failingWrites;  // the value writes that fail
        Strings boxes;                    // between the confirmation and the outcome
        Strings registry;                 // the transcript's registry lines
        bool done;
    } cases[] = {
        {"both written",
         {},
         {},
         {"regset: " + runOnce + "KestDel.Exe1 = " + del,
          "regset: " + runOnce + "KestDel.Exe2 = " + rd,
          std::string("regdel: HKCU\\") + UninstallKey,
          std::string("regdel: HKLM\\") + UninstallKey},
         true},
        {"the first refused",
         {1},
         {writeFailed + "KestDel.Exe1 Value: \"" + del + "\""},
         {},
         false},
        {"the second refused",
         {2},
         {writeFailed + "KestDel.Exe2 Value: \"" + rd + "\""},
         {"regset: " + runOnce + "KestDel.Exe1 = " + del, "regdel: " + runOnce + "KestDel.Exe1"},
         false},
    };
    for (const Case& c : cases) {
        CleanMachine fresh(Administrator());
        Install(fresh);
        fresh.faults.plan.numberedCalls["RegSetValueExA"] = c.failingWrites;

        EXPECT_EQ(Uninstall(), c.done) << c.name;

        Strings boxes = {Confirmation};
        boxes.insert(boxes.end(), c.boxes.begin(), c.boxes.end());
        boxes.push_back(c.done ? Reboot : Partial);
        EXPECT_EQ(BoxesOf(fresh), boxes) << c.name;
        Strings registry;
        for (const std::string& line : fresh.transcript) {
            if (line.compare(0, 8, "regset: ") == 0 || line.compare(0, 8, "regdel: ") == 0) {
                registry.push_back(line);
            }
        }
        EXPECT_EQ(registry, c.registry) << c.name;
        EXPECT_EQ(fresh.ValueExists(HKEY_LOCAL_MACHINE, RunOnceKey, "KestDel.Exe1"), c.done);
        EXPECT_EQ(fresh.ValueExists(HKEY_LOCAL_MACHINE, RunOnceKey, "KestDel.Exe2"), c.done);
        EXPECT_EQ(fresh.KeyExists(HKEY_CURRENT_USER, UninstallKey), !c.done) << c.name;
        EXPECT_EQ(fresh.KeyExists(HKEY_LOCAL_MACHINE, UninstallKey), !c.done) << c.name;
        EXPECT_EQ(fresh.StringValue(HKEY_LOCAL_MACHINE, RunOnceKey, "Other"), "other.exe");
    }
}

TEST_F(UninstallTest, OneFileThatStaysLeavesKeysAndSchedulesNothing) {
    Install(machine);
    machine.SetInUse(Data + "Notes\\n.txt");

    EXPECT_FALSE(Uninstall());

    EXPECT_EQ(BoxesOf(machine),
              (Strings{Confirmation, "File Delete | File not deleted: " + Data + "Notes\\n.txt",
                       "Directory Delete | Directory not deleted: " + Data + "Notes\\",
                       "Directory Delete | Directory not deleted: " + Data + "Notes",
                       "Directory Delete | Directory not deleted: " + Data, Partial}));
    EXPECT_TRUE(machine.KeyExists(HKEY_CURRENT_USER, UninstallKey));
    EXPECT_TRUE(machine.KeyExists(HKEY_LOCAL_MACHINE, UninstallKey));
    EXPECT_FALSE(machine.ValueExists(HKEY_LOCAL_MACHINE, RunOnceKey, "KestDel.Exe1"));
    EXPECT_FALSE(machine.ValueExists(HKEY_LOCAL_MACHINE, RunOnceKey, "KestDel.Exe2"));
}

// Where the shell could take the program folder whole, nothing is left to schedule.
TEST_F(UninstallTest, AProgramFolderAlreadyGoneCompletesWithoutRestartCommands) {
    Install(machine);
    machine.SetInUse(Uninstaller, false);

    EXPECT_TRUE(Uninstall());

    EXPECT_EQ(BoxesOf(machine), (Strings{Confirmation, Complete}));
    EXPECT_FALSE(machine.Exists(Program));
    EXPECT_FALSE(machine.ValueExists(HKEY_LOCAL_MACHINE, RunOnceKey, "KestDel.Exe1"));
    EXPECT_FALSE(machine.KeyExists(HKEY_LOCAL_MACHINE, UninstallKey));
}

TEST_F(UninstallTest, DefaultNamesWithoutAShortcutName) {
    struct Case {
        const char* name;
        const char* menuFolderName;
        const char* shortcutName;
        std::string removed;  // menu folder
        std::string kept;     // menu folder
    } cases[] = {
        {"shortcut name empty", "Study", "", Programs + "Tessaly", Programs + "Study"},
        {"both given", "Study", "Tessaly", Programs + "Study", Programs + "Tessaly"},
    };
    for (const Case& c : cases) {
        CleanMachine fresh(Administrator());
        Install(fresh);
        fresh.AddFile(Programs + "Study\\Study.Lnk", "link");

        UninstallProgram(Uninstaller, c.menuFolderName, c.shortcutName, "", "");

        EXPECT_FALSE(fresh.Exists(c.removed)) << c.name;
        EXPECT_TRUE(fresh.Exists(c.kept)) << c.name;
        EXPECT_FALSE(fresh.Exists(Desktop + "Tessaly.Lnk")) << c.name;
    }
}

// Started with its own path only: no data or further folder, and no relative "Fonts"
// folder in the current folder.
TEST_F(UninstallTest, WithoutArgumentsOnlyTheProgramFolderGoes) {
    Install(machine);
    machine.AddFile("C:\\Fonts\\Fonts.Reg", "");
    machine.currentFolder = "C:\\";

    EXPECT_TRUE(UninstallProgram(Uninstaller, "", "", "", ""));

    EXPECT_EQ(BoxesOf(machine), (Strings{Confirmation, Reboot}));
    EXPECT_TRUE(machine.Exists("C:\\Fonts\\Fonts.Reg"));
    EXPECT_TRUE(machine.Exists(Data + "Notes\\n.txt"));
    EXPECT_TRUE(machine.Exists(Extra));
    EXPECT_FALSE(machine.Exists(Programs + "Tessaly"));
}

TEST_F(UninstallTest, WithoutKestExeNothingIsRun) {
    for (bool asFolder : {false, true}) {
        CleanMachine fresh(Administrator());
        Install(fresh, "C:\\Tessaly\\", false);
        if (asFolder) {
            fresh.AddFolder("C:\\Tessaly\\kest.exe");
        }

        EXPECT_TRUE(Uninstall("C:\\Tessaly\\")) << asFolder;

        EXPECT_TRUE(fresh.programs.started.empty()) << asFolder;
        EXPECT_EQ(BoxesOf(fresh), (Strings{Confirmation, Reboot})) << asFolder;
    }
}

// A data folder written without its trailing backslash still has its fonts in its
// own "Fonts" folder, not in a sibling whose name merely begins the same.
TEST_F(UninstallTest, DataFontsAreFoundWithoutTheTrailingBackslash) {
    Install(machine);
    machine.AddFile("C:\\Study\\Fonts\\Fonts.Reg", "");
    machine.AddFile("C:\\StudyFonts\\keep.ttf", "font");

    EXPECT_TRUE(UninstallProgram(Uninstaller, "Tessaly", "Tessaly", "C:\\Study", ""));

    EXPECT_TRUE(machine.Exists("C:\\StudyFonts\\keep.ttf"));
    EXPECT_FALSE(machine.Exists("C:\\Study"));
    EXPECT_EQ(machine.Lines("recycle: C:\\Study"),
              (Strings{"recycle: C:\\Study\\Fonts\\Fonts.Reg", "recycle: C:\\Study\\Fonts",
                       "recycle: C:\\Study"}));
}

// A command line that names a system folder as the data or further folder removes
// nothing of it: the refusal is reported and the uninstall ends partially.
TEST_F(UninstallTest, SystemFoldersOnTheCommandLineAreRefused) {
    struct Case {
        const char* data;
        const char* extra;
        const char* refused;
    } cases[] = {
        {"C:\\Windows", "", "Directory Delete | Directory not deleted: C:\\Windows"},
        {"", "C:\\", "Directory Delete | Directory not deleted: C:\\"},
        {"..\\..", "", "Directory Delete | Directory not deleted: ..\\.."},
    };
    for (const Case& c : cases) {
        CleanMachine fresh(Administrator());
        Install(fresh);
        fresh.AddFile("C:\\Windows\\Fonts\\arial.ttf", "font");
        fresh.AddFile("C:\\Windows\\notepad.exe", "MZ");
        fresh.currentFolder = "C:\\Windows\\Temp";

        EXPECT_FALSE(UninstallProgram(Uninstaller, "Tessaly", "Tessaly", c.data, c.extra))
            << c.refused;

        const Strings boxes = BoxesOf(fresh);
        EXPECT_EQ(boxes, (Strings{Confirmation, c.refused, Partial}));
        EXPECT_TRUE(fresh.Exists("C:\\Windows\\Fonts\\arial.ttf")) << c.refused;
        EXPECT_TRUE(fresh.Exists("C:\\Windows\\notepad.exe")) << c.refused;
        EXPECT_TRUE(fresh.KeyExists(HKEY_LOCAL_MACHINE, UninstallKey)) << c.refused;
    }
}

// A folder that is not there is nothing to do, whatever its form: a network name no
// longer there does not keep the uninstall from ever finishing. One that is there is
// refused.
TEST_F(UninstallTest, ANetworkFolderIsNothingToDoOnceGone) {
    struct Case {
        const char* data;
        Strings boxes;
    } cases[] = {
        {"\\\\localhost\\C$\\Gone\\", {Confirmation, Reboot}},
        {"\\\\localhost\\C$\\Tessaly Extra",
         {Confirmation,
          "Directory Delete | Directory not deleted: \\\\localhost\\C$\\Tessaly Extra", Partial}},
    };
    for (const Case& c : cases) {
        CleanMachine fresh(Administrator());
        Install(fresh);

        EXPECT_EQ(UninstallProgram(Uninstaller, "Tessaly", "Tessaly", c.data, ""),
                  c.boxes.back() == Reboot)
            << c.data;

        EXPECT_EQ(BoxesOf(fresh), c.boxes) << c.data;
        EXPECT_EQ(fresh.KeyExists(HKEY_LOCAL_MACHINE, UninstallKey), c.boxes.back() != Reboot)
            << c.data;
        EXPECT_TRUE(fresh.Exists(Extra + "\\x.dat")) << c.data;
    }
}

// A Fonts.Reg that cannot be written back ends the run with its file error at that
// point: nothing after the fonts is removed, no outcome is shown, and the uninstall
// keys stay for a later run.
TEST_F(UninstallTest, AFontListThatCannotBeWrittenBackEndsTheRun) {
    Install(machine);
    machine.SetInUse(Program + "Fonts\\Fonts.Reg");
    machine.SetInUse(Program + "Fonts\\sans.ttf");

    EXPECT_THROW(Uninstall(), FileCreateError);

    EXPECT_EQ(
        BoxesOf(machine),
        (Strings{Confirmation, "File Delete | File not deleted: " + Program + "Fonts\\Fonts.Reg",
                 "File Delete | File not deleted: " + Program + "Fonts\\sans.ttf",
                 "Font Delete | Font not deleted: Kest Sans",
                 "Font Delete | Some fonts not deleted."}));
    EXPECT_TRUE(machine.Exists(Data + "Notes\\n.txt"));
    EXPECT_TRUE(machine.Exists(Extra + "\\x.dat"));
    EXPECT_TRUE(machine.Exists(Program + "Books\\Bible.801"));
    EXPECT_TRUE(machine.Exists(Program + "Fonts\\Fonts.Reg"));
    EXPECT_TRUE(machine.KeyExists(HKEY_CURRENT_USER, UninstallKey));
    EXPECT_TRUE(machine.KeyExists(HKEY_LOCAL_MACHINE, UninstallKey));
    EXPECT_FALSE(machine.ValueExists(HKEY_LOCAL_MACHINE, RunOnceKey, "KestDel.Exe1"));
}

// The own path names the program folder only when it is the whole path of the running
// file: a path cut off by the system, or one that names no file, would name another
// folder, so nothing is removed and the user is told.
TEST_F(UninstallTest, RemovesNothingWithoutItsOwnFile) {
    const std::string ownPathText =
        "Uninstall | The uninstaller cannot name its own file, so it cannot tell which folder "
        "is the program's. Nothing was removed.";
    for (const std::string& path :
         {Program + "KestD", Program.substr(0, Program.size() - 1), Program + "Gone\\KestDel.Exe",
          std::string("KestDel.Exe"), std::string()}) {
        CleanMachine fresh(Administrator());
        Install(fresh);
        fresh.currentFolder = "C:\\Program Files\\Tessaly";

        EXPECT_FALSE(UninstallProgram(path, "Tessaly", "Tessaly", Data, Extra)) << path;

        EXPECT_EQ(BoxesOf(fresh), Strings{ownPathText}) << path;
        EXPECT_TRUE(fresh.recycled.empty()) << path;
        EXPECT_TRUE(fresh.programs.started.empty()) << path;
        EXPECT_TRUE(fresh.Exists(Data + "Notes\\n.txt")) << path;
        EXPECT_TRUE(fresh.KeyExists(HKEY_CURRENT_USER, UninstallKey)) << path;
    }

    // Run from a path longer than the system's first answer holds, whose folder is
    // itself too long for the file calls: the whole path is read, never one cut off to
    // the folder above, and since its file cannot be found, nothing is removed.
    CleanMachine m(Administrator());
    const std::string program = "C:\\Apps\\" + std::string(255, 't') + "\\";
    m.AddFile(program + "KestDel.Exe", "MZ");
    m.SetInUse(program + "KestDel.Exe");
    m.AddFile("C:\\Apps\\Other\\keep.txt", "keep");
    m.moduleFileName = program + "KestDel.Exe";

    EXPECT_EQ(ProgramArgument(0), program + "KestDel.Exe");
    EXPECT_FALSE(UninstallProgram(ProgramArgument(0), "", "", "", ""));

    EXPECT_EQ(BoxesOf(m), Strings{ownPathText});
    EXPECT_TRUE(m.Exists("C:\\Apps\\Other\\keep.txt"));
    EXPECT_TRUE(m.recycled.empty());
}

}  // namespace
