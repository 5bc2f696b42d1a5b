// The whole uninstall and the whole launch, run once for every system call the run
// makes with that one call failing, and once more with every call failing from it
// on. Whatever fails: no crash, only the boxes the system has for it, no outcome
// that claims success while something stayed, nothing removed outside the product's
// own folders and keys, and nothing left open.
#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Compress.h"
#include "Program.h"
#include "SimTest.h"
#include "Tools.h"
#include "WinSys.h"
#include "WinSysRegistry.h"

namespace {

const std::string Program = "C:\\Program Files\\Tessaly\\";
const std::string Data = "C:\\Tessaly Data\\";
const std::string Extra = "C:\\Tessaly Extra\\";
const std::string Desktop = "C:\\Users\\Public\\Desktop\\";
const std::string Programs = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";
const std::string Medium = "C:\\Medium\\";
const std::string Temp = "C:\\Windows\\Temp\\";
const std::string Reboot = "Reboot computer to complete program uninstall.";
const std::string Partial =
    "Program Partially Deleted. Reboot computer and try to remove program again.";

// The callers' names of the system calls whose failure the system reports itself.
const Strings WindowsErrors = {"CreateProcess",       "MessageBox",   "SetErrorMode",
                               "WaitForSingleObject", "WinExec",      "GetWindowsDirectory",
                               "GetTempPath",         "GetVersionEx", "GetSystemDirectory"};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return Lower(text).compare(0, prefix.size(), Lower(prefix)) == 0;
}

// The path is the place named or lies inside it.
bool Within(const std::string& path, std::string place) {
    if (!place.empty() && place.back() == '\\') place.pop_back();
    return Lower(path) == Lower(place) || StartsWithNoCase(path, place + "\\");
}

// One road through the system, from set-up to what may and must hold afterwards.
struct Road {
    const char* name;
    std::function<void(winsim::Machine&)> setUp;
    Strings captions;   // the boxes of this road
    Strings removable;  // what the road may remove: path and key prefixes
    // Checks that an outcome the user is told of is true; `where` names the run,
    // `isAdmin` tells what the run took the user for.
    std::function<void(const winsim::Machine&, const std::string& where, bool isAdmin)> outcome;
};

// Every path and key a run removed, from the transcript.
Strings Removed(const winsim::Machine& m) {
    Strings removed;
    for (const std::string& line : m.transcript) {
        for (const char* kind : {"recycle: ", "delete: ", "rmdir: ", "regdel: ", "move: "}) {
            const std::string prefix = kind;
            if (line.compare(0, prefix.size(), prefix) != 0) continue;
            std::string what = line.substr(prefix.size());
            what = what.substr(0, what.find(" -> "));
            removed.push_back(what);
        }
    }
    return removed;
}

// Some call whose name begins so was made to fail.
bool Failed(const winsim::Machine& m, const std::string& call) {
    return std::any_of(
        m.faults.failedCalls.begin(), m.faults.failedCalls.end(),
        [&](const std::string& failed) { return failed.compare(0, call.size(), call) == 0; });
}

bool ShowsBox(const winsim::Machine& m, const std::string& caption, const std::string& text) {
    for (const winsim::BoxRecord& box : m.boxes)
        if (box.caption == caption && box.text == text) return true;
    return false;
}

// --- The uninstall ----------------------------------------------------------

// Where the product lies: its program, data and further folders.
struct Places {
    std::string program = Program;
    std::string data = Data;
    std::string extra = Extra;
    bool doubleByte = false;  // the machine's code page is a double-byte one
    bool shout = false;       // the command line and the uninstall entry name them in capitals
};

std::string Capitals(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

void InstallProduct(winsim::Machine& m, const Places& at) {
    m.doubleByteCodePage = at.doubleByte;
    m.moduleFileName = at.program + "KestDel.Exe";
    m.commandLine = "\"" + at.program + "KestDel.Exe\" Tessaly Tessaly \"" + at.data + "\" \"" +
                    at.extra + "\"";
    if (at.shout) m.commandLine = Capitals(m.commandLine);
    m.SetString(HKEY_LOCAL_MACHINE, ShellFolders, "Common Desktop", Desktop);
    m.SetString(HKEY_LOCAL_MACHINE, ShellFolders, "Common Startup", Programs + "Startup");
    m.AddFile(at.program + "KestDel.Exe", "MZ uninstaller");
    m.SetInUse(at.program + "KestDel.Exe");
    m.AddFile(at.program + "kest.exe", "MZ program");
    m.AddFile(at.program + "Books\\Bible.801", "book");
    m.AddFile(at.program + "Fonts\\sans.ttf", "font");
    m.AddFile(at.program + "Fonts\\Fonts.Reg",
              "\"Kest Sans\" \"" + at.program + "Fonts\\sans.ttf\"\r\n");
    m.AddKey(HKEY_LOCAL_MACHINE, std::string(FontsKey) + "\\Kest Sans");
    m.AddKey(HKEY_LOCAL_MACHINE, std::string(FontsKey) + "\\Arial");
    m.AddFile(at.data + "Notes\\n.txt", "note");
    m.AddFile(at.data + "Fonts\\Fonts.Reg", "");
    m.AddFile(at.extra + "x.dat", "x");
    m.AddFile(Desktop + "Tessaly.Lnk", "link");
    m.AddFile(Desktop + "Other.Lnk", "link");
    m.AddFile(Programs + "Tessaly\\Tessaly.Lnk", "link");
    m.AddFile(Programs + "Other\\Other.Lnk", "link");
    m.AddFile("C:\\Windows\\Fonts\\arial.ttf", "font");
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        m.SetString(root, UninstallKey, "UninstallString", m.commandLine);
        m.SetString(root, UninstallKey, "DisplayName", "Tessaly 9");
    }
    m.SetString(HKEY_LOCAL_MACHINE, ProductKey, "Version", "9");
    m.SetString(HKEY_LOCAL_MACHINE, RunOnceKey, "Other", "other.exe");
}

// What a run that reports the uninstall done must have removed: an administrator's
// everything, another user's the data folder.
void UninstallOutcome(const Places& at, const winsim::Machine& m, const std::string& where,
                      bool isAdmin) {
    if (!ShowsBox(m, "Uninstall", Reboot)) return;
    Strings everything = {at.data, at.extra, at.program + "kest.exe", at.program + "Books",
                          at.program + "Fonts"};
    // A shell-folders key that cannot be read, or a version that cannot be told,
    // sends the shortcut removal to the folders below the Windows folder, where there
    // is nothing to remove.
    if (!Failed(m, "Reg") && !Failed(m, "GetVersionExA")) {
        everything.push_back(Desktop + "Tessaly.Lnk");
        everything.push_back(Programs + "Tessaly");
    }
    for (const std::string& gone : isAdmin ? everything : Strings{at.data}) {
        EXPECT_FALSE(m.Exists(gone)) << where << ": reported done, yet " << gone << " stayed";
    }
}

const Strings UninstallCaptions = {"Uninstall",   "File Delete", "Directory Delete",
                                   "Font Delete", "ShortCuts",   "RegistryWrite"};

Road UninstallRoadAt(const Places& at, const char* name = "uninstall") {
    return {name,
            [at](winsim::Machine& m) { InstallProduct(m, at); },
            UninstallCaptions,
            {at.program, at.data, at.extra, Desktop + "Tessaly.Lnk", Programs + "Tessaly",
             std::string("HKCU\\") + UninstallKey, std::string("HKLM\\") + UninstallKey,
             std::string("HKLM\\") + ProductKey, std::string("HKLM\\") + FontsKey + "\\Kest Sans",
             std::string("HKLM\\") + RunOnceKey + "\\KestDel.Exe1"},
            [at](const winsim::Machine& m, const std::string& where, bool isAdmin) {
                UninstallOutcome(at, m, where, isAdmin);
            }};
}

const Road UninstallRoad = UninstallRoadAt(Places());

// --- The launch -------------------------------------------------------------

const std::string PackedProgram = "MZ the program, unpacked from the medium";
const std::string PackedLibrary = "MZ the library that goes with it";

// The compressed form of a file of the medium, made once for all the runs.
const std::string& Packed(const std::string& plain) {
    static std::map<std::string, std::string> packed;
    auto found = packed.find(plain);
    if (found == packed.end()) found = packed.emplace(plain, Compress(plain)).first;
    EXPECT_FALSE(found->second.empty()) << "mscompress is missing or failed";
    return found->second;
}

// A medium whose program and library are packed, in "kest\win32\" below the launcher.
void PrepareMedium(winsim::Machine& m, const std::string& medium, bool doubleByte) {
    const std::string packed = medium + "kest\\win32\\";
    m.doubleByteCodePage = doubleByte;
    m.moduleFileName = medium + "Setup.exe";
    m.commandLine = "Setup.exe autorun";
    m.AddFile(packed + "Kest.Ex_", Packed(PackedProgram));
    m.AddFile(packed + "Rapi.Dl_", Packed(PackedLibrary));
    m.AddFile(packed + "Install.Msg", "messages");
    m.AddFile(packed + "Common.801", "common");
    m.AddFile(packed + "LangEng.801", "english");
    m.AddFile(Temp + "Kest.Exe", "an older unpacked program");
    m.SetString(HKEY_LOCAL_MACHINE, ProductKey, "Version", "9");
}

// The folder the launcher makes for the unpacked program (from the machine's tick
// count and process number).
const std::string Unpacked = Temp + "Kest9F15\\";

// The access list of a folder only SYSTEM and the Administrators may change.
const Strings AdministratorsOnly = {"protected", "allow S-1-5-18 0x1F01FF inherit 3",
                                    "allow S-1-5-32-544 0x1F01FF inherit 3",
                                    "allow S-1-1-0 0x1200A9 inherit 3"};

// A program started from below the temporary folder must be the whole unpacked one,
// in the folder the run made, never the old one; an administrator's only from a folder
// the same user's other programs cannot change (a run that cannot ask for the system's
// version takes it for Windows 98, which has no access lists).
void LaunchOutcome(const winsim::Machine& m, const std::string& where, bool isAdmin) {
    const bool protects = isAdmin && !Failed(m, "GetVersionExA");
    for (const winsim::ProcessRecord& started : m.programs.started) {
        if (!StartsWithNoCase(started.commandLine, Temp)) continue;
        EXPECT_TRUE(StartsWithNoCase(started.commandLine, Unpacked + "Kest.Exe "))
            << where << ": " << started.commandLine;
        EXPECT_EQ(m.Content(Unpacked + "Kest.Exe"), PackedProgram) << where;
        EXPECT_EQ(m.Content(Unpacked + "Rapi.DLL"), PackedLibrary) << where;
        EXPECT_EQ(m.Access(RemoveBackslash(Unpacked)), protects ? AdministratorsOnly : Strings())
            << where;
    }
    EXPECT_EQ(m.Content(Temp + "Kest.Exe"), "an older unpacked program") << where;
}

const Strings LaunchCaptions = {"Check Startup", "Setup Error", "CopyFile", "WinExec"};

Road LaunchRoadAt(const std::string& medium, bool doubleByte = false, const char* name = "launch") {
    return {name,
            [medium, doubleByte](winsim::Machine& m) { PrepareMedium(m, medium, doubleByte); },
            LaunchCaptions,
            // lz32 may create a destination under its compressed name; the launcher
            // deletes what it made, in the folder it made.
            {Unpacked + "Kest.Ex_", Unpacked + "Rapi.DL_", std::string("HKLM\\") + ProductKey},
            LaunchOutcome};
}

const Road LaunchRoad = LaunchRoadAt(Medium);

// A medium of data modules only, for an installed product: the list goes to the
// data folder and the installed program is started.
void PrepareModules(winsim::Machine& m) {
    m.moduleFileName = Medium + "Setup.exe";
    m.commandLine = "Setup.exe";
    m.AddFile(Medium + "Bible.801", "module");
    m.AddFile(Program + "Kest.Exe", "MZ installed program");
    m.AddFolder(RemoveBackslash(Data));
    m.AddFile(Data + "AutoLoad.Lst", "an old list\r\n");
    m.SetString(HKEY_CURRENT_USER, UninstallKey, "DisplayName", "Tessaly 9");
    m.SetString(HKEY_CURRENT_USER, UninstallKey, "UninstallString",
                Program + "KestDel.Exe Tessaly Tessaly \"" + Data + "\" x");
}

// The installed program started without a complaint must find the whole list. A
// search of the medium that fails finds no modules, and the program is started
// without a list, as without modules; a launcher that cannot read its own path does
// not know its medium.
void ModulesOutcome(const winsim::Machine& m, const std::string& where, bool) {
    if (m.programs.started.empty() || !m.boxes.empty()) return;
    if (Failed(m, "Find") || Failed(m, "GetModuleFileNameA")) return;
    const std::string list = m.Content(Data + "AutoLoad.Lst") + m.Content(Program + "AutoLoad.Lst");
    EXPECT_NE(list.find(Medium + "Bible.801\r\nSetup 2.0\r\n"), std::string::npos)
        << where << ": " << list;
}

const Road ModulesRoad = {
    "modules",
    PrepareModules,
    LaunchCaptions,
    {Data + "AutoLoad.Lst", Program + "AutoLoad.Lst", Data + "AutoLoad.Lst.new",
     Program + "AutoLoad.Lst.new", Data + "$$$.$$$", std::string("HKLM\\") + ProductKey},
    ModulesOutcome,
};

// --- The sweep --------------------------------------------------------------

bool Allowed(const std::string& caption, const Strings& captions) {
    if (std::find(captions.begin(), captions.end(), caption) != captions.end()) return true;
    // The top-level reports, of a failure inside a mode and of one during start-up.
    if (caption == "Application Error" || caption == "Error") return true;
    const std::string windowsError = "Windows Error: ";
    return caption.compare(0, windowsError.size(), windowsError) == 0 &&
           std::find(WindowsErrors.begin(), WindowsErrors.end(),
                     caption.substr(windowsError.size())) != WindowsErrors.end();
}

struct Tally {
    long calls = 0;   // calls of the fault-free runs
    long faults = 0;  // runs with a fault injected
    std::map<std::string, int> exits;
};

// One whole run with the plan; answers the number of calls it made.
long RunOnce(const Road& road, const winsim::Machine::FaultPlan& plan, Tally& tally,
             const std::function<void(const winsim::Machine&)>& more = nullptr) {
    CleanMachine m;
    road.setUp(m);
    m.faults.plan = plan;
    int exitCode = -1;
    std::string escaped;
    try {
        exitCode = RunProgram();
    } catch (const std::exception& error) {
        escaped = error.what();
    }
    const bool isAdmin = State.IsAdmin;
    State = ProcessState();
    const std::string failed = m.faults.failedCalls.empty() ? "-" : m.faults.failedCalls.front();
    const std::string where = std::string(road.name) + " with call " + std::to_string(plan.failAt) +
                              " (" + failed + ")" +
                              (plan.fromThenOn ? " and every later one" : "") + " failing";
    EXPECT_EQ(escaped, "") << where << ": an error escaped the program";
    tally.exits[failed + " -> " + std::to_string(exitCode)]++;
    EXPECT_TRUE(exitCode == 0 || exitCode == 1 || exitCode == 217) << where << ": " << exitCode;
    EXPECT_EQ(m.OpenHandles(), Strings()) << where;

    // Without its own path the program cannot tell the uninstaller from the launcher.
    Strings captions = road.captions;
    if (std::count(m.faults.failedCalls.begin(), m.faults.failedCalls.end(), "GetModuleFileNameA"))
        captions.insert(captions.end(), LaunchCaptions.begin(), LaunchCaptions.end());
    for (const winsim::BoxRecord& box : m.boxes)
        EXPECT_TRUE(Allowed(box.caption, captions))
            << where << ": " << box.caption << " | " << box.text;
    for (const std::string& removed : Removed(m)) {
        const bool ours =
            std::any_of(road.removable.begin(), road.removable.end(),
                        [&](const std::string& place) { return Within(removed, place); });
        EXPECT_TRUE(ours) << where << ": removed " << removed;
    }
    road.outcome(m, where, isAdmin);
    if (more) more(m);
    return m.faults.systemCalls;
}

void Sweep(const Road& road, Tally& tally) {
    const long calls = RunOnce(road, winsim::Machine::FaultPlan(), tally);
    ASSERT_GT(calls, 10) << road.name;
    tally.calls += calls;
    for (long n = 1; n <= calls; ++n) {
        for (bool fromThenOn : {false, true}) {
            winsim::Machine::FaultPlan plan;
            plan.failAt = n;
            plan.fromThenOn = fromThenOn;
            RunOnce(road, plan, tally);
            ++tally.faults;
        }
    }
}

TEST(FaultSweep, EveryCallOfTheUninstallAndTheLaunchFails) {
    Tally tally;
    for (const Road* road : {&UninstallRoad, &LaunchRoad, &ModulesRoad}) Sweep(*road, tally);
    std::printf("fault sweep: %ld system calls tried, %ld faults injected\n", tally.calls,
                tally.faults);
    ::testing::Test::RecordProperty("calls", static_cast<int>(tally.calls));
    ::testing::Test::RecordProperty("faults", static_cast<int>(tally.faults));
}

// The fault-free roads do what they are for, so that the sweep starts from a sound run.
TEST(FaultSweep, RoadsWithoutFaults) {
    Tally tally;
    {
        CleanMachine m;
        InstallProduct(m, Places());
        EXPECT_EQ(RunProgram(), 0);
        EXPECT_TRUE(ShowsBox(m, "Uninstall", Reboot));
        EXPECT_EQ(m.List(RemoveBackslash(Program)), Strings{"KestDel.Exe"});
        EXPECT_TRUE(m.Exists(Desktop + "Other.Lnk"));
        EXPECT_TRUE(m.KeyExists(HKEY_LOCAL_MACHINE, std::string(FontsKey) + "\\Arial"));
        EXPECT_EQ(m.OpenHandles(), Strings());
    }
    {
        CleanMachine m;
        PrepareMedium(m, Medium, false);
        EXPECT_EQ(RunProgram(), 0);
        EXPECT_TRUE(m.boxes.empty());
        ASSERT_EQ(m.programs.started.size(), 1u);
        EXPECT_EQ(m.Content(Unpacked + "Kest.Exe"), PackedProgram);
        EXPECT_EQ(m.Content(Unpacked + "Rapi.DLL"), PackedLibrary);
        EXPECT_EQ(m.OpenHandles(), Strings());
    }
    {
        CleanMachine m;
        PrepareModules(m);
        EXPECT_EQ(RunProgram(), 0);
        EXPECT_TRUE(m.boxes.empty());
        ASSERT_EQ(m.programs.started.size(), 1u);
        EXPECT_EQ(m.Content(Data + "AutoLoad.Lst"), Medium + "Bible.801\r\nSetup 2.0\r\n");
        EXPECT_EQ(m.OpenHandles(), Strings());
    }
}

// Long and strange names on both roads: each road works or fails with its own box,
// and never touches anything beyond its folders (under AddressSanitizer: never a
// byte beyond a buffer).
TEST(StrangeNames, EachRoadWorksOrFailsWithItsBox) {
    const std::string root = "C:\\Program Files\\";
    const auto longFolder = [&](size_t total) {  // KestDel.Exe's path has `total` characters
        return root + std::string(total - root.size() - 12, 'L') + "\\";
    };
    struct Case {
        Road road;
        std::string outcome;  // the last box, or "started" for a launch without a box
    } cases[] = {
        {UninstallRoadAt({root + "Tess aly. 100%\\", "C:\\My %TEMP% Data..x\\",
                          "C:\\Extra. .Folder\\", false, false},
                         "blanks, dots, percent"),
         "Uninstall | " + Reboot},
        // The files inside lie beyond MAX_PATH: each is reported.
        {UninstallRoadAt({longFolder(259), Data, Extra, false, false}, "259 characters"),
         "Uninstall | " + Partial},
        // The whole own path is read, never one cut off to a folder above; as with 259
        // characters, the files inside lie beyond MAX_PATH and each is reported.
        {UninstallRoadAt({longFolder(265), Data, Extra, false, false}, "265 characters"),
         "Uninstall | " + Partial},
        {UninstallRoadAt({Program, Data, Extra, false, true}, "capitals"), "Uninstall | " + Reboot},
        {UninstallRoadAt({"C:\\\x83\x65\x83\x58\x83\x67\\", "C:\\\x83\x66\x81\x5B\x83\x5E\\", Extra,
                          true, false},
                         "code page 932"),
         "Uninstall | " + Reboot},
        {UninstallRoadAt({Program, "C:\\\x83\x5C\x83\x74\x83\x67\\", Extra, true, false},
                         "code page 932, backslash as second byte"),
         "Uninstall | " + Reboot},
        {LaunchRoadAt("C:\\Medium 100%\\Disc. 1\\", false, "medium: blanks, dots, percent"),
         "started"},
        // Its files lie beyond MAX_PATH, but the launcher names them by short paths.
        {LaunchRoadAt("C:\\" + std::string(245, 'M') + "\\", false, "medium: long"), "started"},
        {LaunchRoadAt("C:\\\x83\x65\x83\x58\x83\x67\\", true, "medium: code page 932"), "started"},
    };
    for (const Case& c : cases) {
        Tally tally;
        winsim::Machine::FaultPlan none;
        RunOnce(c.road, none, tally, [&](const winsim::Machine& m) {
            const std::string last = m.boxes.empty()
                                         ? (m.programs.started.empty() ? "nothing" : "started")
                                         : m.boxes.back().caption + " | " + m.boxes.back().text;
            EXPECT_EQ(last, c.outcome) << c.road.name;
        });
    }
}

}  // namespace
