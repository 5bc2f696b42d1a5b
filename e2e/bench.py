"""`make bench`: the footprint of Setup.exe measured against its goals, under Wine.

- size of Setup.exe, and what each part of it costs (from the link map);
- time from process start to the first box, as a ratio against a minimal C program that shows
  one MessageBoxA (tools' minimal_box.exe), pair by pair in one run;
- peak memory of an uninstall of a program folder of 5,000 files in 200 folders, with the
  recycle bin usable and unusable, beyond the minimal program's at its box;
- that uninstall's time beside the shell's own delete of the same folder.

Every box of the uninstall is answered as a user who wants it done would (Yes to a question,
else OK), and a road's time counts only when the program folder holds nothing but the running
KestDel.Exe afterwards; otherwise the road is reported as failed. With KEST_BENCH_BASELINE set
to another build's Setup.exe, its uninstall is measured beside this one's, on the same machine.

A benchmark, not a test: it prints figures and judges none of them by exit code.
    python3 e2e/bench.py [pairs]        (KEST_WIN_BUILD_DIR, KEST_E2E_WORK as for the tests)
"""
import os
import shutil
import statistics
import subprocess
import sys

from harness import TOOLS_FOLDER, WineMachine, default_win_build
from product import (INSTALLED_UNINSTALLER, PROGRAM, UNINSTALLER, UNINSTALL_COMMAND,
                     UNINSTALL_KEY)

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import size_table  # noqa: E402  (tools/size_table.py)

SIZE_GOAL = 128 * 1024
STARTUP_GOAL = 1.05
MEMORY_GOAL = 2 * 1024 * 1024
BENCH = TOOLS_FOLDER + "\\bench\\bench.exe"
REPORT = TOOLS_FOLDER + "\\out\\bench.txt"
REQUEST = TOOLS_FOLDER + "\\out\\bench-request.txt"
SHELL_COPY = "C:\\Shell Bench\\Tessaly\\"
FOLDERS, FILES_EACH = 200, 25


def bench(w, *arguments, request=None):
    """Runs bench.exe in the machine and returns its report's lines."""
    if request is not None:
        w.put_file(REQUEST, "\r\n".join(request) + "\r\n")
        arguments = arguments + ("@" + REQUEST,)
    subprocess.run(["wine", BENCH, REPORT] + list(arguments), env=w.env, timeout=900,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    text = w.read_file(REPORT).decode()
    if text.startswith("error"):
        raise RuntimeError(text.strip())
    return [line.split() for line in text.splitlines() if line]


def lay_out(w, folder, with_programs, setup=None):
    """5,000 files in 200 folders below `folder` (and the uninstaller, `setup` or this build's
    Setup.exe, with its main program)."""
    root = w.unix_path(folder)
    shutil.rmtree(root, ignore_errors=True)
    for i in range(FOLDERS):
        sub = os.path.join(root, "Books", "Book %03d" % i)
        os.makedirs(sub)
        for j in range(FILES_EACH):
            with open(os.path.join(sub, "Chapter %02d.801" % j), "wb") as f:
                f.write(b"chapter text " * 20)
    if with_programs:
        if setup is None:
            w.put_tool("Setup.exe", folder + UNINSTALLER)
        else:
            shutil.copy(setup, w.unix_path(folder + UNINSTALLER))
        w.put_tool("kest.exe", folder + "kest.exe")


def trash_folder(w):
    return os.path.join(w.env["XDG_DATA_HOME"], "Trash")


def left_behind(w):
    """What the uninstall left in the program folder besides the running KestDel.Exe."""
    if not w.exists(PROGRAM):
        return 0
    count = 0
    for _, folders, files in os.walk(w.unix_path(PROGRAM)):
        count += len(folders) + len(files)
    return count - (1 if w.exists(INSTALLED_UNINSTALLER) else 0)


def uninstall_road(w, road, setup=None):
    """(uninstall ms, peak working set, peak private bytes, shell ms, entries left) for one
    road, with this build's uninstaller or the one at `setup`."""
    lay_out(w, PROGRAM, True, setup)
    w.reg_set_values([(root + "\\" + UNINSTALL_KEY, "UninstallString", UNINSTALL_COMMAND)
                      for root in ("HKCU", "HKLM")])
    _, ms, peak, private = bench(w, "memory", request=["C:\\", UNINSTALL_COMMAND])[-1]
    left = left_behind(w)
    lay_out(w, SHELL_COPY, False)
    _, shell_ms, result = bench(w, "shelldelete", SHELL_COPY.rstrip("\\"), "1")[-1]
    if result != "0" or w.exists(SHELL_COPY):
        print("  (the shell's delete answered %s on the %s road)" % (result, road))
    return float(ms), int(peak), int(private), float(shell_ms), left


def kib(n):
    return "%.1f KiB" % (n / 1024.0)


def main():
    pairs = int(sys.argv[1]) if len(sys.argv) > 1 else 10
    win = default_win_build()
    size = os.path.getsize(os.path.join(win, "Setup.exe"))
    print("Setup.exe size: %s bytes (%s); goal at most %s bytes (%s): %s" % (
        format(size, ","), kib(size), format(SIZE_GOAL, ","), kib(SIZE_GOAL),
        "met" if size <= SIZE_GOAL else "MISSED"))
    # What each part costs, from the build's link map (the README's size table).
    print(size_table.table(open(os.path.join(win, "Setup.map")).read(), size))

    with WineMachine("bench") as w:
        w.put_tool("bench.exe", BENCH)
        w.put_tool("Setup.exe", "C:\\Bench\\Setup.exe")
        w.put_tool("minimal_box.exe", "C:\\Bench\\minimal_box.exe")
        w.probe("WindowsVersion")  # Wine's services start with the first program

        # Setup.exe in a folder without installation files shows its first box at once.
        rows = bench(w, "firstbox", str(pairs),
                     request=["C:\\Bench", "C:\\Bench\\Setup.exe", "C:\\Bench\\minimal_box.exe"])
        ratios = [float(a) / float(b) for _, a, b in rows]
        print("Time to the first box, Setup.exe / minimal MessageBoxA program, %d pairs:" % pairs)
        for (_, a, b), ratio in zip(rows, ratios):
            print("  %7.1f ms / %7.1f ms = %.3f" % (float(a), float(b), ratio))
        median = statistics.median(ratios)
        print("  ratio min %.3f, median %.3f, max %.3f; goal at most %.2f (median): %s" % (
            min(ratios), median, max(ratios), STARTUP_GOAL,
            "met" if median <= STARTUP_GOAL else "MISSED"))

        _, _, floor, floor_private = bench(w, "memory", request=["C:\\Bench",
                                                               "C:\\Bench\\minimal_box.exe"])[-1]
        floor, floor_private = int(floor), int(floor_private)
        print("Minimal program at its box: peak working set %s, peak private bytes %s" % (
            kib(floor), kib(floor_private)))

        baseline = os.environ.get("KEST_BENCH_BASELINE")
        builds = [("this build", None)] + ([("baseline", baseline)] if baseline else [])
        results = {}
        for name, setup in builds:
            results["%s, recycle bin usable" % name] = uninstall_road(w, "usable", setup)
        # Wine's services keep a recycle bin they found unusable: this road comes last.
        shutil.rmtree(trash_folder(w), ignore_errors=True)
        with open(trash_folder(w), "w") as f:
            f.write("not a folder")
        for name, setup in builds:
            results["%s, recycle bin unusable" % name] = uninstall_road(w, "unusable", setup)

        print("Uninstall of %d files in %d folders:" % (FOLDERS * FILES_EACH, FOLDERS))
        for road, (ms, peak, private, shell_ms, left) in results.items():
            if left:
                print("  %s: FAILED, the program folder still holds %d entries besides "
                      "%s" % (road, left, UNINSTALLER))
                continue
            beyond = peak - floor
            print("  %s: peak working set %s, %s beyond the minimal program (goal at most %s: "
                  "%s); peak private bytes %s beyond" % (
                      road, kib(peak), kib(beyond), kib(MEMORY_GOAL),
                      "met" if beyond <= MEMORY_GOAL else "MISSED",
                      kib(private - floor_private)))
            print("  %s: uninstall %.0f ms (from OK to the last box), the shell's own delete of "
                  "the same folder %.0f ms, ratio %.2f" % (road, ms, shell_ms, ms / shell_ms))


if __name__ == "__main__":
    main()
