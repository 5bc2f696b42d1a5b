// Test driver: runs a command line and answers the message boxes it shows.
//
//   boxdriver.exe <transcript> <answers> <command line>
//   boxdriver.exe <transcript> <answers> @<command file>
//
// <answers> lists button names for successive boxes, separated by commas ("OK,Cancel");
// "-" stands for none. When the list is used up, OK is pressed (or the first button of a box
// without one). The command line is taken verbatim from the rest of this program's own
// command line, so its quotes survive. A command file holds two lines: the folder to run in
// (empty: the current one) and the command line; that form keeps the command line intact
// where the caller cannot pass it verbatim (a Unix shell starting Wine).
//
// Every top-level dialog of class "#32770" of any process counts, so boxes of the program's
// children are answered too. The transcript gets, flushed line by line:
//   box: <caption> | <text> | <button>,<button>...
//   press: <button>
//   exit: <code>            (the program's exit code, also this program's)
//   timeout                 (the program was killed after BOXDRIVER_TIMEOUT seconds, default 90)
//   error: <what>           (the driver itself failed)
// Captions and texts are escaped as ToolText.h describes.
//
// With BOXDRIVER_SHOTS=1 the driver holds each box open for a picture: after its box line it
// writes
//   wait: <left>,<top>,<right>,<bottom>   (the box's place on the screen)
// and presses only once the file <transcript>.<n> exists (n counts the boxes from 1), or after
// a minute. With BOXDRIVER_BY_HAND=1 it presses nothing: a person answers, and when the box
// has gone the driver writes "press: <button>" with the button that last had the focus.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "BoxSearch.h"
#include "ToolText.h"
#include "WinSysHandles.h"

namespace {

const DWORD PollMilliseconds = 50;
const DWORD DefaultTimeoutSeconds = 90;
const int DriverFailureCode = 250;
const int TimeoutCode = 258;
const DWORD PaintMilliseconds = 300;       // lets a new box draw itself before its picture
const DWORD ShotWaitMilliseconds = 60000;  // the longest a box is held for its picture

// -- Transcript --------------------------------------------------------------------------

class Transcript {
public:
    explicit Transcript(const std::string& path)
        : file_(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}

    bool IsOpen() const { return file_.IsValid(); }

    void WriteLine(const std::string& line) {
        if (!IsOpen()) return;
        std::string text = line + "\r\n";
        DWORD written = 0;
        if (!WriteFile(file_.Get(), text.data(), static_cast<DWORD>(text.size()), &written,
                       nullptr)) {
            return;  // nothing better to do: the transcript is the only report
        }
        FlushFileBuffers(file_.Get());
    }

private:
    KernelHandle file_;
};

std::string LastErrorText(const std::string& what) {
    return what + " failed with error " + std::to_string(GetLastError());
}

// -- Own command line ----------------------------------------------------------------------

const char* SkipBlanks(const char* p) {
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

// Takes one blank-separated word, a quoted stretch keeping its blanks; returns the rest.
const char* TakeWord(const char* p, std::string& word) {
    word.clear();
    p = SkipBlanks(p);
    bool quoted = false;
    for (; *p; ++p) {
        if (*p == '"') {
            quoted = !quoted;
        } else if (!quoted && (*p == ' ' || *p == '\t')) {
            break;
        } else {
            word += *p;
        }
    }
    return p;
}

struct Request {
    std::string transcriptPath;
    std::vector<std::string> answers;
    std::string folder;  // empty: run in the current folder
    std::string commandLine;
    bool utf8 = false;  // the command file was UTF-8 (it began with a byte-order mark)
};

std::vector<std::string> SplitAnswers(const std::string& text) {
    std::vector<std::string> answers;
    if (text == "-" || text.empty()) return answers;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        answers.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return answers;
}

std::string TrimLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    return line;
}

bool ReadCommandFile(const std::string& path, Request& request) {
    KernelHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return false;
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) && got > 0) {
        content.append(buffer, got);
    }
    if (!ok) return false;
    // A command file in UTF-8 names what the ANSI code page cannot (started with
    // CreateProcessW then).
    const std::string bom = "\xEF\xBB\xBF";
    request.utf8 = content.compare(0, bom.size(), bom) == 0;
    if (request.utf8) content.erase(0, bom.size());
    size_t lineEnd = content.find('\n');
    if (lineEnd == std::string::npos) return false;
    request.folder = TrimLineEnd(content.substr(0, lineEnd));
    request.commandLine = TrimLineEnd(content.substr(lineEnd + 1));
    return true;
}

// The command line as UTF-16, from UTF-8.
std::vector<WCHAR> Utf16(const std::string& text) {
    std::vector<WCHAR> wide(text.size() + 1, 0);
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(),
                                           static_cast<int>(wide.size()));
    if (length <= 0) wide.assign(1, 0);
    return wide;
}

// Fills the request from this program's command line; false with `problem` set on misuse.
bool ParseRequest(Request& request, std::string& problem) {
    std::string word;
    const char* rest = TakeWord(GetCommandLineA(), word);  // this program's own name
    rest = TakeWord(rest, request.transcriptPath);
    rest = TakeWord(rest, word);
    request.answers = SplitAnswers(word);
    rest = SkipBlanks(rest);
    if (request.transcriptPath.empty() || *rest == '\0') {
        problem = "usage: boxdriver <transcript> <answers> <command line | @file>";
        return false;
    }
    if (*rest != '@') {
        request.commandLine = rest;
        return true;
    }
    if (!ReadCommandFile(rest + 1, request)) {
        problem = LastErrorText(std::string("reading command file ") + (rest + 1));
        return false;
    }
    return true;
}

// -- Message boxes -------------------------------------------------------------------------

struct Button {
    std::string name;  // without the '&' of its access key
    int id;
};

struct Box {
    HWND window;
    std::string caption;
    std::string text;
    std::vector<Button> buttons;
};

std::string WindowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    if (length <= 0) return std::string();
    std::vector<char> buffer(length + 1);
    int got = GetWindowTextA(window, buffer.data(), length + 1);
    return std::string(buffer.data(), got > 0 ? got : 0);
}

std::string WithoutAccessKey(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

BOOL CALLBACK CollectButton(HWND child, LPARAM context) {
    auto* buttons = reinterpret_cast<std::vector<Button>*>(context);
    if (lstrcmpiA(ClassName(child).c_str(), "Button") == 0 && IsWindowVisible(child)) {
        buttons->push_back({WithoutAccessKey(WindowText(child)), GetDlgCtrlID(child)});
    }
    return TRUE;
}

Box ReadBox(HWND window) {
    Box box;
    box.window = window;
    box.caption = WindowText(window);
    HWND text = GetDlgItem(window, 0xFFFF);
    if (text) box.text = WindowText(text);
    EnumChildWindows(window, CollectButton, reinterpret_cast<LPARAM>(&box.buttons));
    return box;
}

std::string DescribeBox(const Box& box) {
    std::string buttons;
    for (const Button& button : box.buttons) {
        if (!buttons.empty()) buttons += ",";
        buttons += button.name;
    }
    return "box: " + Escape(box.caption) + " | " + Escape(box.text) + " | " + buttons;
}

// The button named by the answer; OK or the first button when the answer is empty.
const Button* ChooseButton(const Box& box, const std::string& answer) {
    const std::string wanted = answer.empty() ? "OK" : answer;
    for (const Button& button : box.buttons) {
        if (lstrcmpiA(button.name.c_str(), wanted.c_str()) == 0) return &button;
    }
    if (!answer.empty() || box.buttons.empty()) return nullptr;
    return &box.buttons.front();
}

// -- Running the program -------------------------------------------------------------------

class Driver {
public:
    Driver(Transcript& transcript, const Request& request)
        : transcript_(transcript),
          request_(request),
          shots_(Setting("BOXDRIVER_SHOTS")),
          byHand_(Setting("BOXDRIVER_BY_HAND")) {}

    int Run() {
        if (!Start()) return DriverFailureCode;
        const DWORD limit = TimeoutSeconds() * 1000;
        const DWORD start = GetTickCount();
        for (;;) {
            bool boxOpen = AnswerBoxes();
            if (!boxOpen && !ProgramRunning()) return Finish();
            if (GetTickCount() - start >= limit) return GiveUp();  // wraps around safely
            Sleep(PollMilliseconds);
        }
    }

private:
    static bool Setting(const char* name) {
        char text[8];
        DWORD length = GetEnvironmentVariableA(name, text, sizeof text);
        return length == 1 && text[0] == '1';
    }

    static DWORD TimeoutSeconds() {
        char text[32];
        DWORD length = GetEnvironmentVariableA("BOXDRIVER_TIMEOUT", text, sizeof text);
        if (length == 0 || length >= sizeof text) return DefaultTimeoutSeconds;
        long seconds = std::strtol(text, nullptr, 10);
        return seconds > 0 ? static_cast<DWORD>(seconds) : DefaultTimeoutSeconds;
    }

    // Creates the program's process, suspended.
    bool Create(PROCESS_INFORMATION& info) {
        if (request_.utf8) {
            std::vector<WCHAR> commandLine = Utf16(request_.commandLine);
            STARTUPINFOW startup = {};
            startup.cb = sizeof startup;
            return CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                                  CREATE_SUSPENDED, nullptr, nullptr, &startup, &info) != FALSE;
        }
        std::vector<char> commandLine(request_.commandLine.begin(), request_.commandLine.end());
        commandLine.push_back('\0');
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        return CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                              CREATE_SUSPENDED, nullptr, nullptr, &startup, &info) != FALSE;
    }

    bool Start() {
        if (!request_.folder.empty() && !SetCurrentDirectoryA(request_.folder.c_str())) {
            transcript_.WriteLine("error: " +
                                  LastErrorText("SetCurrentDirectory " + Escape(request_.folder)));
            return false;
        }
        // Wine starts its desktop process on a program's first use of the desktop; made here,
        // it stays outside the job instead of keeping the job alive forever.
        if (!GetDesktopWindow()) {
            transcript_.WriteLine("error: " + LastErrorText("GetDesktopWindow"));
            return false;
        }
        // The job gathers the program's children too, so their boxes are waited for.
        job_.Reset(CreateJobObjectA(nullptr, nullptr));
        PROCESS_INFORMATION info = {};
        if (!Create(info)) {
            transcript_.WriteLine("error: " +
                                  LastErrorText("CreateProcess " + Escape(request_.commandLine)));
            return false;
        }
        process_.Reset(info.hProcess);
        KernelHandle thread(info.hThread);
        if (job_.Get() && !AssignProcessToJobObject(job_.Get(), process_.Get())) {
            job_.Close();  // without a job only the program itself is waited for
        }
        if (ResumeThread(thread.Get()) == static_cast<DWORD>(-1)) {
            transcript_.WriteLine("error: " + LastErrorText("ResumeThread"));
            TerminateProcess(process_.Get(), DriverFailureCode);
            return false;
        }
        return true;
    }

    bool ProgramRunning() const {
        if (WaitForSingleObject(process_.Get(), 0) != WAIT_OBJECT_0) return true;
        if (!job_.Get()) return false;
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
        if (!QueryInformationJobObject(job_.Get(), JobObjectBasicAccountingInformation, &accounting,
                                       sizeof accounting, nullptr)) {
            return false;
        }
        return accounting.ActiveProcesses > 0;
    }

    // Answers every box not seen before; true while any box is open.
    bool AnswerBoxes() {
        std::vector<HWND> open = OpenBoxes();
        std::set<HWND> stillOpen(open.begin(), open.end());
        for (auto it = answered_.begin(); it != answered_.end();) {
            if (stillOpen.count(*it)) {
                ++it;
                continue;
            }
            ReportPressByHand(*it);
            it = answered_.erase(it);
        }
        for (auto& watched : focusedButton_) WatchFocus(watched.first, watched.second);
        for (HWND window : open) {
            if (answered_.count(window)) continue;
            Answer(ReadBox(window));
            answered_.insert(window);
        }
        return !open.empty();
    }

    void Answer(const Box& box) {
        transcript_.WriteLine(DescribeBox(box));
        ++boxes_;
        if (shots_) HoldForPicture(box.window);
        if (byHand_) {
            focusedButton_[box.window] = std::string();
            WatchFocus(box.window, focusedButton_[box.window]);
            return;
        }
        std::string answer =
            nextAnswer_ < request_.answers.size() ? request_.answers[nextAnswer_++] : std::string();
        const Button* button = ChooseButton(box, answer);
        if (!button) {
            transcript_.WriteLine("error: no button " + answer);
            button = box.buttons.empty() ? nullptr : &box.buttons.front();
            if (!button) return;
        }
        transcript_.WriteLine("press: " + button->name);
        PressButton(box.window, button->id);
    }

    void HoldForPicture(HWND window) {
        Sleep(PaintMilliseconds);
        RECT place = {};
        if (!GetWindowRect(window, &place)) {
            transcript_.WriteLine("error: " + LastErrorText("GetWindowRect"));
            return;
        }
        transcript_.WriteLine("wait: " + std::to_string(place.left) + "," +
                              std::to_string(place.top) + "," + std::to_string(place.right) + "," +
                              std::to_string(place.bottom));
        const std::string go = request_.transcriptPath + "." + std::to_string(boxes_);
        const DWORD start = GetTickCount();
        while (GetFileAttributesA(go.c_str()) == INVALID_FILE_ATTRIBUTES &&
               GetTickCount() - start < ShotWaitMilliseconds) {
            Sleep(PollMilliseconds);
        }
    }

    // Remembers the box's button that has the focus: the one a person clicks or presses
    // Enter on.
    static void WatchFocus(HWND box, std::string& button) {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info)) return;
        if (!info.hwndFocus || GetParent(info.hwndFocus) != box) return;
        if (lstrcmpiA(ClassName(info.hwndFocus).c_str(), "Button") != 0) return;
        button = WithoutAccessKey(WindowText(info.hwndFocus));
    }

    void ReportPressByHand(HWND box) {
        auto watched = focusedButton_.find(box);
        if (watched == focusedButton_.end()) return;
        transcript_.WriteLine("press: " + (watched->second.empty() ? "?" : watched->second));
        focusedButton_.erase(watched);
    }

    int Finish() {
        DWORD code = 0;
        if (!GetExitCodeProcess(process_.Get(), &code)) {
            transcript_.WriteLine("error: " + LastErrorText("GetExitCodeProcess"));
            return DriverFailureCode;
        }
        transcript_.WriteLine("exit: " + std::to_string(code));
        return static_cast<int>(code);
    }

    int GiveUp() {
        if (job_.Get()) TerminateJobObject(job_.Get(), TimeoutCode);
        TerminateProcess(process_.Get(), TimeoutCode);
        transcript_.WriteLine("timeout");
        return TimeoutCode;
    }

    Transcript& transcript_;
    const Request& request_;
    KernelHandle job_;
    KernelHandle process_;
    const bool shots_;
    const bool byHand_;
    std::set<HWND> answered_;
    std::map<HWND, std::string> focusedButton_;  // boxes a person answers, by hand
    size_t nextAnswer_ = 0;
    int boxes_ = 0;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Request request;
    std::string problem;
    if (!ParseRequest(request, problem)) {
        if (!request.transcriptPath.empty()) {
            Transcript transcript(request.transcriptPath);
            transcript.WriteLine("error: " + problem);
        }
        return DriverFailureCode;
    }
    Transcript transcript(request.transcriptPath);
    if (!transcript.IsOpen()) return DriverFailureCode;
    Driver driver(transcript, request);
    return driver.Run();
}
