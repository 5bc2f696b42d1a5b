#!/usr/bin/env bash
# Shows the real Setup.exe at work under Wine, for a person to read:
#   1. a setup launch from a small medium with a compressed stand-in program;
#   2. a medium with new data modules only, handed over to the installed product;
#   3. the installed product's uninstall with OK pressed.
# Each step prints the boxes shown, the programs started, and what is left on disk, in the
# recycle bin and in the registry.
#   demo.sh <Windows build folder>
set -euo pipefail

win_build=$(realpath "${1:?usage: demo.sh <Windows build folder>}")
here=$(dirname "$(realpath "$0")")
for program in Setup.exe kest.exe boxdriver.exe probe.exe; do
  if [ ! -f "$win_build/$program" ]; then
    echo "demo: $win_build/$program is missing; build the Windows side first (make win)" >&2
    exit 1
  fi
done
command -v mscompress >/dev/null || { echo "demo: mscompress is missing (make deps)" >&2; exit 1; }

export KEST_WIN_BUILD_DIR=$win_build
export KEST_E2E_WORK=${KEST_E2E_WORK:-$(dirname "$win_build")/e2e-work}
export PYTHONDONTWRITEBYTECODE=1
cd "$here"
exec python3 - <<'PYTHON'
import os
import shutil
import subprocess
import tempfile

from harness import WineMachine, win_build_file

MEDIUM = "C:\\Medium"
MODULES = "C:\\Modules"
PROGRAM_FOLDER = "C:\\Program Files\\Tessaly\\"
DATA_FOLDER = "C:\\Tessaly Data\\"
EXTRA_FOLDER = "C:\\Tessaly Extra\\"
UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessaly"
RUN_ONCE_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"
SHELL_FOLDERS = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"


def heading(text):
    print("\n== %s ==" % text)


def show_run(w, run, log_before):
    print("ran: %s" % run.command_line)
    for box, pressed in zip(run.boxes, run.presses + [""] * len(run.boxes)):
        print("  box  [%s]" % box.caption)
        for line in box.text.splitlines() or [""]:
            print("       | %s" % line)
        print("       buttons %s, pressed %s" % ("/".join(box.buttons), pressed))
    if not run.boxes:
        print("  (no box)")
    for command, folder in w.standin_log()[log_before:]:
        print("  started: %s" % command)
        print("       in: %s" % folder)
    print("  exit code %s" % run.exit_code)


def compressed(source, name):
    """`source` compressed with Debian's mscompress (LZ, SZDD), as bytes."""
    with tempfile.TemporaryDirectory() as folder:
        plain = os.path.join(folder, name)
        shutil.copyfile(source, plain)
        subprocess.run(["mscompress", plain], check=True)
        with open(plain + "_", "rb") as f:
            return f.read()


def lay_out_medium(w):
    w.put_tool("Setup.exe", MEDIUM + "\\Setup.exe")
    w.put_file(MEDIUM + "\\Kest.Ex_", compressed(win_build_file("kest.exe"), "Kest.Exe"))
    with tempfile.NamedTemporaryFile() as library:
        library.write(b"companion library stand-in\r\n" * 64)
        library.flush()
        w.put_file(MEDIUM + "\\RApi.Dl_", compressed(library.name, "RApi.Dll"))
    w.put_file(MEDIUM + "\\Install.Msg", "Welcome to Tessaly.\r\n")
    w.put_file(MEDIUM + "\\Common.801", b"common data module")
    w.put_file(MEDIUM + "\\LangEng.801", b"English language module")
    print("medium %s: %s" % (MEDIUM, ", ".join(w.listdir(MEDIUM))))


def shell_folder(w, name):
    return w.reg_tree(SHELL_FOLDERS).value(name).rstrip("\\") + "\\"


def install_product(w):
    w.put_tool("Setup.exe", PROGRAM_FOLDER + "KestDel.Exe")
    w.put_tool("kest.exe", PROGRAM_FOLDER + "kest.exe")
    w.put_file(PROGRAM_FOLDER + "RApi.Dll", b"library")
    w.put_file(PROGRAM_FOLDER + "Common.801", b"common data module")
    w.put_file(DATA_FOLDER + "Notes\\my notes.txt", "Chapter 1 notes\r\n")
    w.put_file(EXTRA_FOLDER + "Cache.bin", b"cache")
    desktop = shell_folder(w, "Common Desktop")
    programs = shell_folder(w, "Common Startup").rstrip("\\").rsplit("\\", 1)[0] + "\\"
    w.put_file(desktop + "Tessaly.Lnk", b"shortcut")
    w.put_file(programs + "Tessaly\\Tessaly.Lnk", b"shortcut")
    command = '%sKestDel.Exe "Tessaly" "Tessaly" "%s" "%s"' % (
        PROGRAM_FOLDER, DATA_FOLDER, EXTRA_FOLDER)
    for root in ("HKLM", "HKCU"):
        w.reg_set_values([(root + "\\" + UNINSTALL_KEY, "UninstallString", command),
                          (root + "\\" + UNINSTALL_KEY, "DisplayName", "Tessaly 9.01")])
    watched = [PROGRAM_FOLDER, DATA_FOLDER, EXTRA_FOLDER, desktop + "Tessaly.Lnk",
               programs + "Tessaly\\"]
    print("installed; uninstall command: %s" % command)
    return command, watched


def lay_out_modules(w):
    w.put_tool("Setup.exe", MODULES + "\\Setup.exe")
    for name in ("Bible.801", "Atlas.101", "LangGer.801", "Readme.txt"):
        w.put_file(MODULES + "\\" + name, b"module " + name.encode())
    print("medium %s: %s" % (MODULES, ", ".join(w.listdir(MODULES))))


def show_file(w, path):
    if not w.exists(path):
        print("  %s: (none)" % path)
        return
    print("  %s:" % path)
    for line in w.read_file(path).decode("cp1252").splitlines():
        print("       | %s" % line)


def show_state(w, watched):
    for path in watched:
        print("  %-8s %s" % ("present" if w.exists(path.rstrip("\\")) else "gone", path))
    print("  recycle bin: %s" % (", ".join(w.trash()) or "(empty)"))
    for root in ("HKLM", "HKCU"):
        present = w.reg_exists(root + "\\" + UNINSTALL_KEY)
        print("  %s\\...\\Uninstall\\Tessaly: %s" % (root, "present" if present else "gone"))
    run_once = w.reg_tree(RUN_ONCE_KEY)
    for (key, name), data in sorted((run_once.values if run_once else {}).items()):
        print("  RunOnce %s = %s" % (name, data))


with WineMachine("demo") as w:
    print("Wine machine: %s (prefix copied in %.1f s)" % (w.folder, w.copy_seconds))

    heading("Setup launch from a medium")
    lay_out_medium(w)
    show_run(w, w.run(MEDIUM + "\\Setup.exe autorun", cwd=MEDIUM), 0)

    heading("Data modules for the installed product")
    command, watched = install_product(w)
    lay_out_modules(w)
    log_before = len(w.standin_log())
    show_run(w, w.run(MODULES + "\\Setup.exe", cwd=MODULES), log_before)
    show_file(w, DATA_FOLDER + "AutoLoad.Lst")

    heading("Uninstall, OK pressed")
    print("before:")
    show_state(w, watched)
    log_before = len(w.standin_log())
    show_run(w, w.run(command, answers=["OK"], cwd="C:\\"), log_before)
    print("after:")
    show_state(w, watched)
PYTHON
