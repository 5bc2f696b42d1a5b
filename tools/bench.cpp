// Benchmark helper for `make bench`: times and memory of programs as Windows sees them.
//
//   bench.exe <report> firstbox <pairs> @<file>   file: folder, command A, command B (lines)
//       Starts A and B in turn, <pairs> times (the order swapped every other pair), and
//       writes "pair: <ms A> <ms B>": from just before CreateProcess to the first visible
//       message box of the process. The box is then closed and the process waited for.
//   bench.exe <report> memory @<file>              file: folder, command (lines)
//       Runs the command, answering every box as a user who wants it done would (Yes where
//       the box asks Yes or No, else OK), and writes
//       "memory: <ms> <peak working set> <peak private bytes>", read at its last box (the
//       process's peaks so far); <ms> runs from the first OK to that last box.
//   bench.exe <report> shelldelete <path> <1|0>
//       Deletes <path> with SHFileOperationA, to the recycle bin when 1, and writes
//       "shelldelete: <ms> <result>".
// A failure writes "error: <what>".
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BoxSearch.h"
#include "WinSysHandles.h"

namespace {

const DWORD TimeoutMilliseconds = 300000;

struct MemoryCounters {  // PROCESS_MEMORY_COUNTERS, without psapi.h
    DWORD cb;
    DWORD PageFaultCount;
    SIZE_T PeakWorkingSetSize, WorkingSetSize, QuotaPeakPagedPoolUsage, QuotaPagedPoolUsage,
        QuotaPeakNonPagedPoolUsage, QuotaNonPagedPoolUsage, PagefileUsage, PeakPagefileUsage;
};

std::FILE* report = nullptr;

void Write(const std::string& line) {
    std::fprintf(report, "%s\n", line.c_str());
    std::fflush(report);
}

double Now() {
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int Fail(const std::string& what) {
    Write("error: " + what);
    return 1;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return lines;
    std::string line;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += static_cast<char>(c);
        }
    }
    if (!line.empty()) lines.push_back(line);
    std::fclose(file);
    return lines;
}

// The answer of a user who wants the work done: Yes to a question, else OK.
int GoAhead(HWND box) { return GetDlgItem(box, IDYES) != nullptr ? IDYES : IDOK; }

bool ReadMemory(HANDLE process, MemoryCounters& counters) {
    typedef BOOL(WINAPI * Query)(HANDLE, MemoryCounters*, DWORD);
    Query query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
    counters = MemoryCounters();
    counters.cb = sizeof counters;
    return query && query(process, &counters, sizeof counters);
}

class Child {
public:
    bool Start(const std::string& folder, const std::string& command) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        std::vector<char> line(command.begin(), command.end());
        line.push_back('\0');
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
            Write("error: CreateProcess " + command);
            return false;
        }
        process_.Reset(info.hProcess);
        thread_.Reset(info.hThread);
        id_ = info.dwProcessId;
        return true;
    }

    // Waits for the next visible box; null when the process ended or the time ran out.
    HWND WaitForBox() {
        const double start = Now();
        for (;;) {
            if (HWND box = BoxOf(id_)) return box;
            if (WaitForSingleObject(process_.Get(), 1) != WAIT_TIMEOUT) return nullptr;
            if (Now() - start > TimeoutMilliseconds) return nullptr;
        }
    }

    // Waits until the box is gone (the program took the answer).
    void WaitUntilGone(HWND box) {
        while (IsWindow(box) && IsWindowVisible(box) &&
               WaitForSingleObject(process_.Get(), 1) == WAIT_TIMEOUT) {
        }
    }

    void End() {
        if (WaitForSingleObject(process_.Get(), 10000) != WAIT_OBJECT_0) {
            TerminateProcess(process_.Get(), 1);
            WaitForSingleObject(process_.Get(), 10000);
        }
    }

    HANDLE process() const { return process_.Get(); }

private:
    KernelHandle process_;
    KernelHandle thread_;
    DWORD id_ = 0;
};

// Milliseconds from the start of the command to its first box; negative on failure.
double TimeToFirstBox(const std::string& folder, const std::string& command) {
    Child child;
    const double start = Now();
    if (!child.Start(folder, command)) return -1;
    HWND box = child.WaitForBox();
    const double elapsed = Now() - start;
    if (box) {
        PressButton(box, IDOK);
        PressButton(box, IDCANCEL);
    }
    child.End();
    return box ? elapsed : -1;
}

int FirstBox(int pairs, const std::vector<std::string>& lines) {
    if (lines.size() < 3) return Fail("the file needs folder, command A, command B");
    // An unmeasured start of each first: Wine loads its libraries into the page cache.
    TimeToFirstBox(lines[0], lines[1]);
    TimeToFirstBox(lines[0], lines[2]);
    for (int i = 0; i < pairs; ++i) {
        double a, b;
        if (i % 2 == 0) {
            a = TimeToFirstBox(lines[0], lines[1]);
            b = TimeToFirstBox(lines[0], lines[2]);
        } else {
            b = TimeToFirstBox(lines[0], lines[2]);
            a = TimeToFirstBox(lines[0], lines[1]);
        }
        if (a < 0 || b < 0) return Fail("no box shown");
        char text[64];
        std::snprintf(text, sizeof text, "pair: %.2f %.2f", a, b);
        Write(text);
    }
    return 0;
}

int Memory(const std::vector<std::string>& lines) {
    if (lines.size() < 2) return Fail("the file needs folder and command");
    Child child;
    if (!child.Start(lines[0], lines[1])) return 1;
    MemoryCounters counters = {};
    double firstAnswer = -1, lastBox = 0;
    bool read = false;
    while (HWND box = child.WaitForBox()) {
        lastBox = Now();
        read = ReadMemory(child.process(), counters);
        if (firstAnswer < 0) firstAnswer = Now();
        PressButton(box, GoAhead(box));
        child.WaitUntilGone(box);
    }
    child.End();
    if (!read) return Fail("no box, or the memory counters cannot be read");
    char text[96];
    std::snprintf(text, sizeof text, "memory: %.1f %lu %lu", lastBox - firstAnswer,
                  static_cast<unsigned long>(counters.PeakWorkingSetSize),
                  static_cast<unsigned long>(counters.PeakPagefileUsage));
    Write(text);
    return 0;
}

int ShellDelete(const std::string& path, bool undo) {
    std::vector<char> names(path.begin(), path.end());
    names.push_back('\0');
    names.push_back('\0');
    SHFILEOPSTRUCTA operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = names.data();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | (undo ? FOF_ALLOWUNDO : 0);
    const double start = Now();
    const int result = SHFileOperationA(&operation);
    char text[64];
    std::snprintf(text, sizeof text, "shelldelete: %.1f %d", Now() - start, result);
    Write(text);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    report = std::fopen(argv[1], "wb");
    if (!report) return 2;
    const std::string mode = argv[2];
    auto file = [&](int index) {
        return index < argc && argv[index][0] == '@' ? ReadLines(argv[index] + 1)
                                                     : std::vector<std::string>();
    };
    int code = 2;
    if (mode == "firstbox" && argc >= 5) {
        code = FirstBox(std::atoi(argv[3]), file(4));
    } else if (mode == "memory" && argc >= 4) {
        code = Memory(file(3));
    } else if (mode == "shelldelete" && argc >= 5) {
        code = ShellDelete(argv[3], argv[4][0] == '1');
    } else {
        Write("error: unknown request");
    }
    std::fclose(report);
    return code;
}
