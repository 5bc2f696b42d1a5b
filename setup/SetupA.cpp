// The setup launcher: finds the source folder, lets the module decision speak,
// picks and if need be unpacks the program, and starts it with the source folder.
#include "SetupA.h"

#include <windows.h>

#include <string>

#include "Errors.h"
#include "ProductNames.h"
#include "SetupFiles.h"
#include "SetupFolder.h"
#include "SetupLz.h"
#include "SetupModules.h"
#include "Tools.h"
#include "WinSys.h"
#include "WinSysFiles.h"
#include "WinSysHandles.h"
#include "WinSysRegistry.h"

namespace {

const char* const WinExecCaption = "WinExec";

std::string SourceFolder(const std::string& ownPath) {
    std::string folder = AddBackslash(FolderPart(ownPath));
    // A medium may keep the program below kest\win32\, compressed.
    if (FileIsPresent(folder + "kest\\win32\\Kest.Ex_")) folder += "kest\\win32\\";
    return ShortPath(folder);
}

std::string TemporaryFolder() {
    std::string folder = GetTempFolder();
    if (folder.empty()) folder = "c:\\";
    return ShortPath(AddBackslash(folder));
}

std::string CommandLine(const std::string& program, const std::string& sourceFolder) {
    return CommandPath(program) + " \"" + sourceFolder + "\"";
}

// Messages for WinExec's answers below 32; success and unknown codes have none.
std::string WinExecMessage(UINT result, const std::string& program) {
    switch (result) {
        case 0:
            return "0-System was out of memory, executable file was corrupt, or relocations "
                   "were invalid.";
        case 2:
            return "2-File was not found. " + program;
        case 3:
            return "3-Path was not found. " + program;
        case 5:
            return "5-Attempt was made to dynamically link to a task, or there was a sharing or "
                   "network-protection error.";
        case 6:
            return "6-Library required separate data segments for each task.";
        case 8:
            return "8-There was insufficient memory to start the application.";
        case 10:
            return "10-Windows version was incorrect.";
        case 11:
            return "11-Executable file was invalid. Either it was not a Windows application or "
                   "there was an error in the .EXE image.";
        case 12:
            return "12-Application was designed for a different operating system.";
        case 13:
            return "13-Application was designed for MS-DOS 4.0.";
        case 14:
            return "14-Type of executable file was unknown.";
        case 15:
            return "15-Attempt was made to load a real-mode application (developed for an "
                   "earlier version of Windows).";
        case 16:
            return "16-Attempt was made to load a second instance of an executable file "
                   "containing multiple data segments that were not marked read-only.";
        case 19:
            return "19-Attempt was made to load a compressed executable file. The file must be "
                   "decompressed before it can be loaded.";
        case 20:
            return "20-Dynamic-link library (DLL) file was invalid. One of the DLLs required to "
                   "run this application was corrupt.";
        case 21:
            return "21-Application requires 32-bit extensions.";
        default:
            if (result >= 32) return "";
            return "Failed to run SETUP1.EXE. Error code: " + DecimalText(result);
    }
}

void StartProgram(const std::string& program, const std::string& sourceFolder) {
    const UINT result = CheckedWinExec(CommandLine(program, sourceFolder), SW_SHOWNORMAL);
    const std::string message = WinExecMessage(result, program);
    if (!message.empty()) ShowMessageBox(message, WinExecCaption);
}

// On Windows XP the XP variant takes the plain program's name, so that the
// command line names Kest.Exe whichever program runs. The plain program is only set
// aside until the variant has its name, and comes back when it cannot have it: the
// folder never lacks a Kest.Exe. Answers the file that the age test is to read.
std::string PutProgramInPlace(const std::string& sourceFolder, const std::string& name) {
    if (name != "KestXP.Exe") return sourceFolder + name;
    const std::string plain = sourceFolder + ProgramFileName;
    const std::string variant = sourceFolder + name;
    const std::string aside = sourceFolder + "Kest.Old";
    // A left-over of an interrupted run, or a link someone placed: replaced by a file of
    // our own before it goes. One that may not be replaced stays, and the move below
    // then refuses to take its name.
    IgnoreResult(RetireFile(aside));  // the plain program then keeps its name
    const bool hasPlain = FileIsPresent(plain);
    if (hasPlain && !MoveFileA(plain.c_str(), aside.c_str())) {
        return variant;  // a read-only medium: both keep their names
    }
    if (!MoveFileA(variant.c_str(), plain.c_str())) {
        // The old program keeps the name it was set aside under when this fails.
        if (hasPlain) IgnoreResult(MoveFileA(aside.c_str(), plain.c_str()));
        return variant;
    }
    IgnoreResult(RetireFile(aside));  // one that may not go (read-only) stays as Kest.Old
    return plain;
}

// The program lies uncompressed in the source folder and runs from there.
void StartInPlace(const std::string& sourceFolder, const std::string& name,
                  const std::string& argument) {
    const std::string ageFile = PutProgramInPlace(sourceFolder, name);
    const std::string program = sourceFolder + ProgramFileName;
    if (InstalledIsNewer(ageFile, argument)) return;
    ChangeCurrentFolder(RemoveBackslash(sourceFolder));
    StartProgram(program, sourceFolder);
}

// The program is there only compressed: it and its library are unpacked into a
// folder of their own, made by this run under the temporary folder, and the program
// runs from there. The folder stays: the program runs on after the launcher ends.
void StartUnpacked(const std::string& sourceFolder, const std::string& tempFolder,
                   const std::string& argument) {
    const std::string name = ChooseProgramFile(sourceFolder, "KestXP.Ex_", "Kest.Ex_");
    if (InstalledIsNewer(sourceFolder + name, argument)) return;
    const std::string unpackFolder = CreateUnpackFolder(tempFolder);
    if (unpackFolder.empty()) return;
    const std::string program = unpackFolder + ProgramFileName;
    if (!LzCopyFile(sourceFolder + name, program)) return;
    if (!LzCopyFile(sourceFolder + "Rapi.Dl_", unpackFolder + "Rapi.DLL")) return;
    ChangeCurrentFolder(RemoveBackslash(unpackFolder));
    StartProgram(program, sourceFolder);
}

}  // namespace

void InitializeSetupA() {}

void FinalizeSetupA() {}

void ChangeCurrentFolder(const std::string& folder) {
    if (!SetCurrentDirectoryA(folder.c_str())) {
        const DWORD code = GetLastError();
        throw InOutError("Cannot change the current folder to \"" + folder + "\". " +
                         SystemMessage(code));
    }
}

int FileAge(const std::string& path) {
    WIN32_FIND_DATAA entry;
    DirectorySearch search(path, entry);
    if (!search.Found()) return -1;
    search.Close();
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    FILETIME local;
    if (!FileTimeToLocalFileTime(&entry.ftLastWriteTime, &local)) return -1;
    WORD date = 0;
    WORD time = 0;
    if (!FileTimeToDosDateTime(&local, &date, &time)) return -1;
    return static_cast<int>((static_cast<DWORD>(date) << 16) | time);
}

bool InstalledIsNewer(const std::string& sourceProgram, const std::string& argument) {
    if (CompareNoCase(argument, "autorun") != 0) return false;
    // A damaged per-user entry raises here, outside any guarded block, and ends the
    // run through the top-level error report.
    const std::string installedFolder = InstalledProgramFolder();
    if (installedFolder.empty()) return false;
    return FileAge(installedFolder + ProgramFileName) > FileAge(sourceProgram);
}

std::string ChooseProgramFile(const std::string& folder, const std::string& xpName,
                              const std::string& plainName) {
    if (State.IsWinXP && FileIsPresent(folder + xpName)) return xpName;
    return plainName;
}

void CheckStartup(const std::string& ownPath, const std::string& argument) {
    const std::string sourceFolder = SourceFolder(ownPath);
    if (!CheckModuleInstall(sourceFolder)) return;
    const std::string tempFolder = TemporaryFolder();
    if (!InstallFilesPresent(sourceFolder)) {
        ShowStartupError("Program install files missing. (1)");
        return;
    }
    const std::string name = ChooseProgramFile(sourceFolder, "KestXP.Exe", ProgramFileName);
    if (FileIsPresent(sourceFolder + name)) {
        StartInPlace(sourceFolder, name, argument);
    } else {
        StartUnpacked(sourceFolder, tempFolder, argument);
    }
}
