// Starting programs (CreateProcessA, WinExec) and waiting for them.
#include <cstring>

#include "Internal.h"

namespace winsim {

namespace {

struct Program {
    std::string path;  // the file that would run
    DWORD error = 0;   // why it cannot run, or 0
};

std::string FolderOf(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? "" : path.substr(0, cut + 1);
}

bool HasExtension(const std::string& name) {
    size_t cut = name.find_last_of("\\/:");
    std::string leaf = cut == std::string::npos ? name : name.substr(cut + 1);
    return leaf.find('.') != std::string::npos;
}

// A folder of the candidate's name does not end the search either.
bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_ACCESS_DENIED;
}

// Checks one candidate file: missing, not a program, or fine.
Program Probe(const std::string& path) {
    Program program;
    program.path = path;
    Location where = Locate(path);
    if (where.error) {
        program.error = where.error == ERROR_INVALID_NAME ? ERROR_FILE_NOT_FOUND : where.error;
        return program;
    }
    if (!where.node || where.node->IsFolder()) {
        program.error = where.node ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
        return program;
    }
    if (where.node->content.compare(0, 2, "MZ") != 0) program.error = ERROR_BAD_EXE_FORMAT;
    return program;
}

// The folders Windows searches for a program named without a folder.
std::vector<std::string> SearchFolders() {
    Machine& m = M();
    return {FolderOf(m.moduleFileName), m.currentFolder, m.systemFolder, m.windowsFolder};
}

Program FindProgram(const std::string& name) {
    std::string file = HasExtension(name) ? name : name + ".exe";
    if (file.find_first_of("\\/:") != std::string::npos) return Probe(file);
    Program first;
    for (const auto& folder : SearchFolders()) {
        std::string base = folder;
        if (!base.empty() && base.back() != '\\') base += '\\';
        Program candidate = Probe(base + file);
        if (!IsMissing(candidate.error)) return candidate;
        if (first.path.empty()) first = candidate;
    }
    first.error = ERROR_FILE_NOT_FOUND;
    return first;
}

// The program of a command line: a quoted first word, or for an unquoted line with
// blanks the shortest prefix ending before a blank that names an existing file.
Program ProgramOf(const std::string& commandLine) {
    std::string line = commandLine;
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) {
        Program none;
        none.error = ERROR_FILE_NOT_FOUND;
        return none;
    }
    line = line.substr(start);
    if (line[0] == '"') {
        size_t close = line.find('"', 1);
        return FindProgram(
            line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    }
    Program last;
    size_t blank = 0;
    do {
        blank = line.find_first_of(" \t", blank + 1);
        last = FindProgram(line.substr(0, blank));
        if (!IsMissing(last.error)) return last;
    } while (blank != std::string::npos);
    // Report the first word's failure, as the system does.
    return FindProgram(line.substr(0, line.find_first_of(" \t")));
}

void Start(const char* via, const std::string& commandLine, const std::string& folder,
           UINT showMode, const char* prefix) {
    Machine& m = M();
    ProcessRecord record{via, commandLine, folder, showMode};
    m.programs.started.push_back(record);
    Record(std::string(prefix) + commandLine + " | " + folder);
    if (m.programs.onStart) m.programs.onStart(record);
}

HANDLE NewProcessHandle() {
    uintptr_t h = NewHandle();
    Fs().processHandles.insert(h);
    ++M().programs.openHandles;
    return reinterpret_cast<HANDLE>(h);
}

const UINT* ForcedResult(const std::string& commandLine, const Program& program) {
    const auto& forced = M().faults.winExecResults;
    std::string firstWord = commandLine.substr(0, commandLine.find(' '));
    if (!firstWord.empty() && firstWord[0] == '"')
        firstWord = firstWord.substr(1, commandLine.find('"', 1) - 1);
    for (const auto& entry : forced) {
        std::string key = Lower(entry.first);
        if (key == Lower(program.path) || key == Lower(firstWord)) return &entry.second;
    }
    return nullptr;
}

DWORD ErrorForWinExec(UINT result) {
    switch (result) {
        case 0:
            return ERROR_NOT_ENOUGH_MEMORY;
        case 2:
            return ERROR_FILE_NOT_FOUND;
        case 3:
            return ERROR_PATH_NOT_FOUND;
        case 11:
            return ERROR_BAD_EXE_FORMAT;
        case 5:
            return ERROR_ACCESS_DENIED;
        case 8:
            return ERROR_NOT_ENOUGH_MEMORY;
        default:
            return ERROR_INVALID_PARAMETER;
    }
}

UINT WinExecResultFor(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
            return 2;
        case ERROR_PATH_NOT_FOUND:
            return 3;
        case ERROR_BAD_EXE_FORMAT:
            return 11;
        case ERROR_ACCESS_DENIED:
            return 5;
        default:
            return 0;
    }
}

}  // namespace

}  // namespace winsim

using namespace winsim;

BOOL WINAPI CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                           LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR currentDirectory,
                           LPSTARTUPINFOA, LPPROCESS_INFORMATION processInformation) {
    if (Faulted("CreateProcessA", ERROR_NOT_ENOUGH_MEMORY)) return FALSE;
    if (!applicationName && !commandLine) {
        Fail(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string line = commandLine ? commandLine : applicationName;
    Program program = applicationName ? Probe(applicationName) : ProgramOf(line);
    if (program.error) {
        Fail(program.error);
        return FALSE;
    }
    std::string folder = M().currentFolder;
    if (currentDirectory) {
        Location where = Locate(currentDirectory);
        if (where.error || !where.node || !where.node->IsFolder()) {
            Fail(ERROR_DIRECTORY);
            return FALSE;
        }
        folder = currentDirectory;
    }
    Start("CreateProcess", line, folder, 0, "create: ");
    if (processInformation) {
        processInformation->hProcess = NewProcessHandle();
        processInformation->hThread = NewProcessHandle();
        processInformation->dwProcessId = Fs().nextProcessId;
        processInformation->dwThreadId = Fs().nextProcessId + 4;
        Fs().nextProcessId += 8;
    }
    return TRUE;
}

UINT WINAPI WinExec(LPCSTR commandLine, UINT showMode) {
    if (Faulted("WinExec", ERROR_NOT_ENOUGH_MEMORY)) return 0;  // out of resources
    if (!commandLine) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Program program = ProgramOf(commandLine);
    if (const UINT* forced = ForcedResult(commandLine, program)) {
        if (*forced > 31) {
            Start("WinExec", commandLine, M().currentFolder, showMode, "exec: ");
            return *forced;
        }
        Fail(ErrorForWinExec(*forced));
        return *forced;
    }
    if (program.error) {
        Fail(program.error);
        return WinExecResultFor(program.error);
    }
    Start("WinExec", commandLine, M().currentFolder, showMode, "exec: ");
    return 33;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    if (Faulted("WaitForSingleObject", ERROR_INVALID_HANDLE)) return WAIT_FAILED;
    uintptr_t h = reinterpret_cast<uintptr_t>(handle);
    FileSystemState& fs = Fs();
    // A started program ends by the time an endless wait returns; a wait with a time
    // limit runs out while the machine's programs keep running.
    if (fs.processHandles.count(h) && milliseconds != INFINITE && M().programs.keepRunning)
        return WAIT_TIMEOUT;
    if (fs.processHandles.count(h) || fs.files.count(h)) return WAIT_OBJECT_0;
    Fail(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
}
