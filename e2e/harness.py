"""Runs the Windows build's programs under Wine, each test in a Wine machine of its own.

A Wine machine is a fresh copy of a template prefix (made once per work folder), with its own
home folder (and so its own recycle bin, the XDG trash), its own X display (Xvfb: Wine shows
no message box without one) and its own wineserver, kept alive for the test and shut down
after it. Programs run through boxdriver.exe, which answers their message boxes and reports
them. See README.md for how to write a test.

Configuration, from the environment:
  KEST_WIN_BUILD_DIR  Windows build folder (default: build/win of this work tree)
  KEST_E2E_WORK       work folder for the template prefix and the tests' machines
                      (default: build/e2e-work of this work tree)
  KEST_E2E_KEEP=1     keep each machine whole after its test (normally its C:\\windows, the
                      bulk of it, is deleted; everything else stays for inspection)
"""

import collections
import fcntl
import os
import re
import select
import shutil
import stat
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Bump when the way the template is made changes, so cached templates are made anew.
TEMPLATE_RECIPE = "3"

DLL_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"
DEFAULT_TIMEOUT = 90
WINESERVER_TIMEOUT = 60
XVFB_TIMEOUT = 30
ANSI = "cp1252"

TOOLS_FOLDER = "C:\\kesttest"
DRIVER = TOOLS_FOLDER + "\\driver\\boxdriver.exe"
PROBE = TOOLS_FOLDER + "\\probe\\probe.exe"
OUT_FOLDER = TOOLS_FOLDER + "\\out"

WINDOWS_VERSIONS = ("win98", "nt40", "win2k", "winxp", "win7", "win10")

Box = collections.namedtuple("Box", "caption text buttons")


class HarnessError(Exception):
    """The harness or Wine failed, not the program under test."""


def log(message):
    sys.stderr.write("[wine] %s\n" % message)
    sys.stderr.flush()


# -- Text shared with the tools (tools/ToolText.h) ------------------------------------------

def escape(text):
    out = []
    for c in text:
        if c == "\\":
            out.append("\\\\")
        elif c == "\r":
            out.append("\\r")
        elif c == "\n":
            out.append("\\n")
        elif c == "|":
            out.append("\\|")
        elif ord(c) < 0x20 or ord(c) == 0x7F:
            out.append("\\x%02X" % ord(c))
        else:
            out.append(c)
    return "".join(out)


_ESCAPE = re.compile(r"\\(\\|\||r|n|x[0-9A-Fa-f]{2})")


def unescape(text):
    def one(match):
        code = match.group(1)
        if code == "r":
            return "\r"
        if code == "n":
            return "\n"
        if code.startswith("x"):
            return chr(int(code[1:], 16))
        return code
    return _ESCAPE.sub(one, text)


def split_fields(line):
    """Splits a report line at its unescaped " | " separators and unescapes each field."""
    fields, current, i = [], [], 0
    while i < len(line):
        if line[i] == "\\" and i + 1 < len(line):
            current.append(line[i:i + 2])
            i += 2
        elif line.startswith(" | ", i):
            fields.append(unescape("".join(current)))
            current = []
            i += 3
        else:
            current.append(line[i])
            i += 1
    fields.append(unescape("".join(current)))
    return fields


def quote_arguments(arguments):
    """A Windows command line that the C runtime splits back into `arguments`."""
    return subprocess.list2cmdline([str(a) for a in arguments])


# -- Processes -------------------------------------------------------------------------------

def run_checked(command, env, what, timeout=WINESERVER_TIMEOUT, cwd=None):
    """Runs a host command to its end. Its output goes to a file, not a pipe: a daemon it
    leaves behind (wineserver) would hold a pipe open forever."""
    with tempfile.TemporaryFile() as output:
        try:
            done = subprocess.run(command, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                                  stdout=output, stderr=output, timeout=timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError("%s did not end within %d s: %s" % (what, timeout, command))
        if done.returncode != 0:
            output.seek(0)
            raise HarnessError("%s failed (exit %d): %s\n%s" % (
                what, done.returncode, command, output.read().decode(errors="replace")))


def wine_environment(prefix, home, display=None):
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("WINE", "XDG_", "DISPLAY", "WAYLAND"))}
    env.update({
        "WINEPREFIX": prefix,
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": DLL_OVERRIDES,
        "HOME": home,
        "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
        "XDG_CONFIG_HOME": os.path.join(home, ".config"),
        "XDG_CACHE_HOME": os.path.join(home, ".cache"),
        "LANG": "C.UTF-8",
    })
    env.pop("LC_ALL", None)
    if display is not None:
        env["DISPLAY"] = display
    return env


class Xvfb:
    """A private X display on a free display number."""

    def __init__(self, log_path):
        self.log_path = log_path
        self.process = None
        self.display = None

    def start(self):
        read_end, write_end = os.pipe()
        try:
            with open(self.log_path, "ab") as log_file:
                self.process = subprocess.Popen(
                    ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp",
                     "-screen", "0", "1024x768x24"],
                    pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=log_file,
                    stderr=log_file, start_new_session=True)
            os.close(write_end)
            write_end = None
            number = self._read_display(read_end)
        finally:
            if write_end is not None:
                os.close(write_end)
            os.close(read_end)
        self.display = ":%s" % number

    def _read_display(self, read_end):
        data = b""
        deadline = time.monotonic() + XVFB_TIMEOUT
        while not data.endswith(b"\n"):
            left = deadline - time.monotonic()
            ready, _, _ = select.select([read_end], [], [], max(left, 0))
            if not ready:
                self.stop()
                raise HarnessError("Xvfb gave no display within %d s" % XVFB_TIMEOUT)
            chunk = os.read(read_end, 64)
            if not chunk:
                self.stop()
                raise HarnessError("Xvfb ended at start; see %s" % self.log_path)
            data += chunk
        return data.decode().strip()

    def stop(self):
        if self.process is None:
            return
        self.process.terminate()
        try:
            self.process.wait(timeout=XVFB_TIMEOUT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.process = None


# -- Paths -----------------------------------------------------------------------------------

def default_win_build():
    return os.environ.get("KEST_WIN_BUILD_DIR") or os.path.join(REPO, "build", "win")


def default_work_root():
    return os.environ.get("KEST_E2E_WORK") or os.path.join(REPO, "build", "e2e-work")


def win_build_file(name, win_build=None):
    path = os.path.join(win_build or default_win_build(), name)
    if not os.path.isfile(path):
        raise HarnessError("%s is missing: build the Windows side first" % path)
    return path


# -- Compressed files ------------------------------------------------------------------------

def compress(data, name="data.bin"):
    """`data` as Debian's mscompress compresses it (LZ, SZDD) under the file name `name` (whose
    last letter the header keeps), as bytes."""
    with tempfile.TemporaryDirectory(prefix="kest-szdd") as folder:
        plain = os.path.join(folder, name)
        with open(plain, "wb") as f:
            f.write(data)
        subprocess.run(["mscompress", plain], check=True, stdout=subprocess.DEVNULL)
        with open(plain + "_", "rb") as f:  # mscompress appends "_" to the name
            return f.read()


# -- Template prefix -------------------------------------------------------------------------

def wine_version():
    return subprocess.run(["wine", "--version"], stdout=subprocess.PIPE,
                          check=True).stdout.decode().strip()


def read_text(path):
    with open(path) as f:
        return f.read()


def template_prefix(work_root=None):
    """The template prefix, made once per work folder; returns its path."""
    work_root = work_root or default_work_root()
    os.makedirs(work_root, exist_ok=True)
    template = os.path.join(work_root, "template")
    stamp = "%s recipe %s" % (wine_version(), TEMPLATE_RECIPE)
    with open(os.path.join(work_root, "template.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        stamp_path = os.path.join(template, "stamp")
        if os.path.isfile(stamp_path) and read_text(stamp_path) == stamp:
            return os.path.join(template, "prefix")
        shutil.rmtree(template, ignore_errors=True)
        building = template + ".new"
        shutil.rmtree(building, ignore_errors=True)
        started = time.monotonic()
        make_template(building)
        with open(os.path.join(building, "stamp"), "w") as f:
            f.write(stamp)
        os.rename(building, template)
        log("template prefix made in %.1f s" % (time.monotonic() - started))
        return os.path.join(template, "prefix")


def make_template(folder):
    prefix = os.path.join(folder, "prefix")
    home = os.path.join(folder, "home")
    os.makedirs(home)
    env = wine_environment(prefix, home)
    run_checked(["wineboot", "-i"], env, "wineboot -i", timeout=300)
    # Without a window manager Wine waits 2 s for each hidden window to be withdrawn;
    # unmanaged windows are hidden at once.
    run_checked(["wine", "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed",
                 "/d", "N", "/f"], env, "wine reg add")
    run_checked(["wineserver", "-w"], env, "wineserver -w", timeout=300)
    make_user_folders_real(prefix)


def make_user_folders_real(prefix):
    """Wine links the profile's Desktop, Documents... to the home it was made under; each
    machine needs folders of its own instead."""
    drive = os.path.join(prefix, "drive_c")
    for root, folders, _ in os.walk(drive):
        for name in folders:
            path = os.path.join(root, name)
            if os.path.islink(path):
                os.unlink(path)
                os.mkdir(path)


# -- Results ---------------------------------------------------------------------------------

class RunResult:
    """What one run showed: its boxes in order and its exit code."""

    def __init__(self, command_line, lines):
        self.command_line = command_line
        self.lines = lines
        self.boxes = []
        self.presses = []
        self.exit_code = None
        self.timed_out = False
        self.errors = []
        for line in lines:
            self._take(line)

    def _take(self, line):
        kind, _, rest = line.partition(": ")
        if kind == "box":
            caption, text, buttons = split_fields(rest)
            self.boxes.append(Box(caption, text, tuple(b for b in buttons.split(",") if b)))
        elif kind == "press":
            self.presses.append(rest)
        elif kind == "exit":
            self.exit_code = int(rest)
        elif kind == "error":
            self.errors.append(rest)
        elif line == "timeout":
            self.timed_out = True

    def describe(self):
        return "\n".join(["run: " + self.command_line] + ["  " + l for l in self.lines])


class ProbeResult:
    def __init__(self, status, lines, run):
        self.status = status
        self.lines = lines
        self.run = run

    @property
    def ok(self):
        return self.status == "ok"

    @property
    def value(self):
        return self.lines[0] if self.lines else ""


class RegistryTree:
    """A key with everything below it: `keys` are paths relative to it ("" is the key itself),
    `values` maps (relative key path, value name) to the value's data as text."""

    def __init__(self, lines):
        self.keys = set()
        self.values = {}
        for line in lines:
            kind, _, rest = line.partition(": ")
            if kind == "key":
                self.keys.add(unescape(rest))
            elif kind == "value":
                path, name, _, data = split_fields(rest)
                self.values[(path, name)] = data

    def value(self, name, path=""):
        """A value's data, its key and name matched without regard to case as Windows does;
        None when missing."""
        for (key, value_name), data in self.values.items():
            if key.lower() == path.lower() and value_name.lower() == name.lower():
                return data
        return None


# -- The machine -----------------------------------------------------------------------------

class WineMachine:
    """One Wine prefix with its own home, display and wineserver. Use as a context manager."""

    def __init__(self, name, win_build=None, work_root=None, display=None):
        """`display`: an X display of one's own to show the boxes on; by default a private
        Xvfb."""
        self.display = display
        self.win_build = win_build or default_win_build()
        # A path with ".." in it makes Wine's recycle bin unusable: it then deletes instead.
        self.work_root = os.path.abspath(work_root or default_work_root())
        self.folder = os.path.join(self.work_root, "machines", safe_name(name))
        self.prefix = os.path.join(self.folder, "prefix")
        self.home = os.path.join(self.folder, "home")
        self.log_path = os.path.join(self.folder, "log.txt")
        self.xvfb = None
        self.env = None
        self.server_running = False
        self.runs = 0
        self.copy_seconds = None

    # Life cycle ------------------------------------------------------------------------------

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def start(self):
        template = template_prefix(self.work_root)
        self.clear_folder()
        os.makedirs(self.home)
        started = time.monotonic()
        run_checked(["cp", "-a", template, self.prefix], os.environ, "copying the template",
                    timeout=300)
        self.copy_seconds = time.monotonic() - started
        self.note("prefix copied in %.2f s" % self.copy_seconds)
        for sub in (".local/share", ".config", ".cache"):
            os.makedirs(os.path.join(self.home, sub), exist_ok=True)
        if self.display is None:
            self.xvfb = Xvfb(os.path.join(self.folder, "xvfb.log"))
            self.xvfb.start()
            self.display = self.xvfb.display
        self.env = wine_environment(self.prefix, self.home, self.display)
        self.server_running = True  # from here on, stop() must shut a server down
        run_checked(["wineserver", "-p"], self.env, "wineserver -p")
        self.put_tool("boxdriver.exe", DRIVER)
        self.put_tool("probe.exe", PROBE)
        self.put_folder(OUT_FOLDER)
        self.note("machine started in %.2f s" % (time.monotonic() - started))

    def clear_folder(self):
        """Removes what an earlier run of the same test left, its wineserver first (a run
        that was killed may have left one behind)."""
        if os.path.isdir(self.prefix):
            env = wine_environment(self.prefix, self.home)
            try:
                run_checked(["wineserver", "-k"], env, "wineserver -k")
            except HarnessError:
                pass  # no server was running: the usual case
        shutil.rmtree(self.folder, ignore_errors=True)

    def stop(self):
        started = time.monotonic()
        if self.server_running:
            self.server_running = False
            try:
                run_checked(["wineserver", "-k"], self.env, "wineserver -k")
            except HarnessError as error:
                log(str(error))
            try:
                run_checked(["wineserver", "-w"], self.env, "wineserver -w")
            except HarnessError as error:
                log(str(error))
        if self.xvfb is not None:
            self.xvfb.stop()
            self.xvfb = None
            self.display = None
        if os.environ.get("KEST_E2E_KEEP") != "1":
            shutil.rmtree(os.path.join(self.prefix, "drive_c", "windows"), ignore_errors=True)
        self.note("machine stopped in %.2f s" % (time.monotonic() - started))

    def note(self, text):
        os.makedirs(self.folder, exist_ok=True)
        with open(self.log_path, "a", encoding="utf-8") as f:
            f.write(text + "\n")

    # Paths and files -------------------------------------------------------------------------

    def unix_path(self, win_path):
        """C:\\a\\b -> <prefix>/drive_c/a/b (also Z:, the host's root)."""
        drive, rest = win_path[:2].upper(), win_path[2:].replace("\\", "/").lstrip("/")
        if drive == "C:":
            return os.path.join(self.prefix, "drive_c", rest)
        if drive == "Z:":
            return "/" + rest
        raise HarnessError("no Unix path for %r" % win_path)

    def win_path(self, unix_path):
        drive_c = os.path.join(self.prefix, "drive_c")
        relative = os.path.relpath(os.path.abspath(unix_path), drive_c)
        if relative.startswith(".."):
            return "Z:" + os.path.abspath(unix_path).replace("/", "\\")
        return "C:\\" + ("" if relative == "." else relative.replace("/", "\\"))

    def put_file(self, win_path, data=b""):
        """Writes a file (bytes, or text in the ANSI code page), making its folders."""
        path = self.unix_path(win_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data.encode(ANSI) if isinstance(data, str) else data)
        return path

    def put_folder(self, win_path):
        path = self.unix_path(win_path)
        os.makedirs(path, exist_ok=True)
        return path

    def put_tool(self, name, win_path):
        """Copies a program of the Windows build (Setup.exe, kest.exe...) into the machine."""
        path = self.unix_path(win_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copyfile(win_build_file(name, self.win_build), path)
        return path

    def read_file(self, win_path):
        with open(self.unix_path(win_path), "rb") as f:
            return f.read()

    def exists(self, win_path):
        return os.path.lexists(self.unix_path(win_path))

    def listdir(self, win_path):
        return sorted(os.listdir(self.unix_path(win_path)))

    def set_dos_attributes(self, win_path, attributes):
        """Sets DOS attributes (FILE_ATTRIBUTE_* bits) the way Wine keeps them: read-only (0x1)
        as a file without write permission, the others (hidden 0x2, system 0x4...) in the
        user.DOSATTRIB extended attribute."""
        path = self.unix_path(win_path)
        mode = os.stat(path).st_mode
        write = stat.S_IWUSR | stat.S_IWGRP | stat.S_IWOTH
        os.chmod(path, mode & ~write if attributes & 0x1 else mode | stat.S_IWUSR)
        os.setxattr(path, "user.DOSATTRIB", ("0x%x" % (attributes & ~0x1)).encode())

    def dos_attributes(self, win_path):
        """The attribute bits Windows programs see (GetFileAttributesA); None when missing."""
        value = self.probe_value("GetFileAttributes", win_path)
        return None if value == "missing" else int(value)

    # What the machine holds ------------------------------------------------------------------

    def trash(self):
        """Names of the items in the recycle bin (the XDG trash of this machine's home)."""
        files = os.path.join(self.env["XDG_DATA_HOME"], "Trash", "files")
        return sorted(os.listdir(files)) if os.path.isdir(files) else []

    def trash_path(self, name):
        return os.path.join(self.env["XDG_DATA_HOME"], "Trash", "files", name)

    def trash_origin(self, name):
        """The Windows path an item of the recycle bin came from (its .trashinfo), or None."""
        info = os.path.join(self.env["XDG_DATA_HOME"], "Trash", "info", name + ".trashinfo")
        if not os.path.isfile(info):
            return None
        for line in read_text(info).splitlines():
            if line.startswith("Path="):
                # Wine names the item by its way through dosdevices/c:
                path = os.path.realpath(urllib.parse.unquote(line[len("Path="):]))
                drive_c = os.path.realpath(self.unix_path("C:\\"))
                if os.path.commonpath([path, drive_c]) != drive_c:
                    return "Z:" + path.replace("/", "\\")
                relative = os.path.relpath(path, drive_c)
                return "C:\\" + ("" if relative == "." else relative.replace("/", "\\"))
        return None

    def standin_log(self, win_path="C:\\standin.log"):
        """The stand-in's starts: (command line, current folder) pairs, oldest first."""
        if not self.exists(win_path):
            return []
        text = self.read_file(win_path).decode(ANSI)
        return [tuple(line.split("\t", 1)) for line in text.splitlines() if line]

    # Running programs ------------------------------------------------------------------------

    def run(self, command_line, answers=(), cwd=None, timeout=DEFAULT_TIMEOUT, check=True,
            on_box=None, unicode=False):
        """Runs a Windows command line through boxdriver.exe; answers name the buttons to
        press in successive boxes (OK when used up). Returns a RunResult. With `check`, a
        run that timed out or that the driver could not carry out raises HarnessError.
        `on_box(box, (left, top, right, bottom))` is called while each box is held open on
        the screen, before it is answered (for a picture of it). With `unicode` the command
        line may hold any character (it is started with CreateProcessW)."""
        if isinstance(answers, str):
            answers = [answers] if answers else []
        self.runs += 1
        transcript = "%s\\run-%d.txt" % (OUT_FOLDER, self.runs)
        command_file = "%s\\cmd-%d.txt" % (OUT_FOLDER, self.runs)
        command = (cwd or "") + "\r\n" + command_line + "\r\n"
        self.put_file(command_file, b"\xef\xbb\xbf" + command.encode("utf-8") if unicode else command)
        env = dict(self.env, BOXDRIVER_TIMEOUT=str(timeout))
        if on_box is not None:
            env["BOXDRIVER_SHOTS"] = "1"
        argv = ["wine", DRIVER, transcript, ",".join(answers) or "-", "@" + command_file]
        started = time.monotonic()
        with tempfile.TemporaryFile() as output:
            driver = subprocess.Popen(argv, env=env, cwd=self.unix_path(TOOLS_FOLDER),
                                      stdin=subprocess.DEVNULL, stdout=output, stderr=output)
            try:
                if on_box is not None:
                    self._hold_boxes(driver, transcript, on_box, started + timeout + 60)
                driver.wait(timeout=max(started + timeout + 60 - time.monotonic(), 1))
            except subprocess.TimeoutExpired:
                driver.kill()
                driver.wait()
                raise HarnessError("boxdriver.exe hung running %s" % command_line)
            output.seek(0)
            wine_said = output.read().decode(errors="replace").strip()
        result = RunResult(command_line, self._transcript_lines(transcript))
        self.note("%s\n  (%.2f s)" % (result.describe(), time.monotonic() - started))
        if check and (result.timed_out or result.errors or result.exit_code is None):
            raise HarnessError("%s\nwine said: %s\nmachine: %s" % (
                result.describe(), wine_said or "nothing", self.folder))
        return result

    def _hold_boxes(self, driver, transcript, on_box, deadline):
        """Follows the transcript while the driver runs; for each box it holds open, calls
        on_box and then lets the driver answer it."""
        done = 0
        while True:
            ended = driver.poll() is not None
            text = self.read_file(transcript).decode(ANSI) if self.exists(transcript) else ""
            lines = text[:text.rfind("\n") + 1].splitlines()  # whole lines only
            boxes = [l for l in lines if l.startswith("box: ")]
            waits = [l for l in lines if l.startswith("wait: ")]
            for number in range(done + 1, len(waits) + 1):
                caption, text, buttons = split_fields(boxes[number - 1][len("box: "):])
                place = tuple(int(x) for x in waits[number - 1][len("wait: "):].split(","))
                try:
                    on_box(Box(caption, text, tuple(b for b in buttons.split(",") if b)), place)
                finally:
                    self.put_file("%s.%d" % (transcript, number))
                done = number
            if ended:
                return
            if time.monotonic() > deadline:
                raise subprocess.TimeoutExpired("boxdriver.exe", 0)
            time.sleep(0.05)

    def _transcript_lines(self, transcript):
        if not self.exists(transcript):
            return []
        return self.read_file(transcript).decode(ANSI).splitlines()

    def probe(self, routine, *arguments, exe=PROBE, cwd=None, answers=()):
        """Calls one support routine through probe.exe (see tools/probe.cpp)."""
        self.runs += 1
        report = "%s\\probe-%d.txt" % (OUT_FOLDER, self.runs)
        if self.exists(report):
            os.unlink(self.unix_path(report))
        command = quote_arguments([exe, report, routine] + [escape(str(a)) for a in arguments])
        run = self.run(command, answers=answers, cwd=cwd)
        if not self.exists(report):
            raise HarnessError("probe wrote no report\n" + run.describe())
        lines = self.read_file(report).decode(ANSI).splitlines()
        if not lines:
            raise HarnessError("probe wrote an empty report\n" + run.describe())
        return ProbeResult(unescape(lines[0]), [unescape(l) for l in lines[1:]], run)

    def probe_value(self, routine, *arguments):
        """The routine's first result line; a failure or a box raises HarnessError."""
        result = self.probe(routine, *arguments)
        if not result.ok or result.run.boxes:
            raise HarnessError("%s %s gave %s\n%s" % (
                routine, arguments, result.status, result.run.describe()))
        return result.value

    def short_path(self, win_path):
        """The platform's GetShortPathNameA of a path (empty when it has none)."""
        return self.probe_value("GetShortPathName", win_path)

    def pose_as(self, version):
        """Makes Wine report another Windows version to programs started from now on."""
        if version not in WINDOWS_VERSIONS:
            raise HarnessError("unknown Windows version %r" % version)
        self.reg_set("HKCU\\Software\\Wine", "Version", version)

    def windows_version(self):
        """(major, minor, platform id) as GetVersionExA reports them now."""
        result = self.probe("WindowsVersion")
        major, minor, _, platform = (int(x) for x in result.lines)
        return major, minor, platform

    # Registry --------------------------------------------------------------------------------

    def reg_set(self, key, name, value):
        """Writes a REG_SZ value; key is "HKLM\\..." or "HKCU\\...", created when missing."""
        self.reg_set_values([(key, name, value)])

    def reg_set_values(self, values):
        """Writes (key, name, text) REG_SZ values in one go."""
        arguments = [item for triple in values for item in triple]
        result = self.probe("RegSet", *arguments)
        if not result.ok:
            raise HarnessError("RegSet %r: %s" % (values, result.status))

    def reg_tree(self, key):
        """The RegistryTree of a key, or None when it does not exist."""
        result = self.probe("RegTree", key)
        if not result.ok:
            raise HarnessError("RegTree %s: %s" % (key, result.status))
        if result.lines == ["missing"]:
            return None
        return RegistryTree(result.lines)

    def reg_exists(self, key):
        return self.reg_tree(key) is not None


def safe_name(name):
    return re.sub(r"[^A-Za-z0-9_.-]", "_", name)


# -- Test case -------------------------------------------------------------------------------

class WineTestCase(unittest.TestCase):
    """Gives each test `self.wine`, a fresh WineMachine, stopped after the test."""

    def setUp(self):
        super().setUp()
        self.wine = WineMachine(self.id())
        self.wine.__enter__()
        self.addCleanup(self.wine.stop)

    def assertBoxes(self, run, expected):
        """Compares the boxes of a run, (caption, text) pairs or Box values, in order."""
        seen = [(b.caption, b.text) if len(e) == 2 else b for b, e in zip(run.boxes, expected)]
        wanted = [tuple(e) if len(e) == 2 else e for e in expected]
        if len(run.boxes) != len(expected) or seen != wanted:
            self.fail("boxes differ\nexpected: %r\n%s" % (expected, run.describe()))
