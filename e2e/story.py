"""The life of one installation under Wine, told the way a person meets it, and checked.

1. The data-module disc before anything is installed: the launcher says why it cannot help.
2. The product's disc: `Setup.exe autorun` unpacks the program and starts it; the stand-in
   Kest.Exe (tools/kest.cpp, acting as the product) installs the product as its own setup does.
3. The data-module disc again: the modules are handed over to the installed program.
4. The uninstall command the product registered, answered OK.
5. The data-module disc once more: nothing is installed any longer.

Each step tells its boxes (caption, text, button pressed, picture), the programs started,
what changed on disk, in the recycle bin and in the registry, and checks what it should have
done. The demo (demo.py) and a Wine test (test_story.py) tell the same story.
"""

import os
import re
import textwrap

import screen
from harness import ANSI, compress, win_build_file
from product import (COMMON_MODULE, COMPLETE, CONFIRMATION, DATA, EXIT_OK, EXTRA,
                     FONT_FOLDER_LIST, INSTALLED_PROGRAM, INSTALLED_UNINSTALLER,
                     INSTALL_FILES_FOLDER, INSTALL_MESSAGES, LIBRARY_FILE, MODULE_LIST,
                     PACKED_LIBRARY, PACKED_PROGRAM, PRODUCT_NAME, PROGRAM, PROGRAM_FILE, REBOOT,
                     RUN_ONCE_FILE, RUN_ONCE_FOLDER, RUN_ONCE_KEY, SHELL_FOLDERS_KEY, SHORTCUT,
                     STARTUP_CAPTION, UNINSTALLER, UNINSTALL_CAPTION, UNINSTALL_KEY,
                     UNPACKED_LIBRARY, files_missing)

MEDIUM = "C:\\Medium\\"
INSTALL_FILES = MEDIUM + INSTALL_FILES_FOLDER
MODULES = "C:\\Modules\\"
WATCHED_KEYS = ("HKLM\\" + UNINSTALL_KEY, "HKCU\\" + UNINSTALL_KEY, "HKLM\\" + RUN_ONCE_KEY)
# Wine's own folder and the test tools' are left out of the account of files.
UNTOLD = ("C:\\windows", "C:\\kesttest", "C:\\standin.log")

LIBRARY = b"RApi companion library (stand-in)\r\n" * 64
FONT = b"KestSans font (stand-in)\r\n" * 16
MEDIUM_FILES = {
    INSTALL_MESSAGES: "Welcome to Tessaly 9.0.\r\n",
    COMMON_MODULE: b"common data module",
    "LangEng.801": b"English language module",
    "Gospels.801": b"Gospels module",
    "Maps.101": b"Maps module",
}
MODULE_FILES = {
    "Bible.801": b"Bible module",
    "Atlas.101": b"Atlas module",
    "LangGer.801": b"German language module",
    "Readme.txt": "Modules for Tessaly 9.\r\n",
}
HANDED_OVER = ("Atlas.101", "Bible.801")  # language modules and other files stay out

STARTUP_HINT = files_missing("", "")
BY_HAND_TIMEOUT = 600


def build_file(name):
    with open(win_build_file(name), "rb") as f:
        return f.read()


def slug(text):
    return re.sub(r"[^a-z0-9]+", "-", text.lower()).strip("-")


def inside(path, folder):
    """Whether a Windows path is the folder or lies below it (without regard to case)."""
    path, folder = path.lower().rstrip("\\"), folder.lower().rstrip("\\")
    return path == folder or path.startswith(folder + "\\")


class Story:
    """Tells the story on a started WineMachine. `say` takes each line of the account;
    `pictures` is a folder for the boxes' pictures (None: no pictures); `windows` a version
    Wine poses as (None: its own); `by_hand`: a person answers the boxes."""

    def __init__(self, w, say, pictures=None, windows=None, by_hand=False, shown_as=None):
        self.w = w
        self.say = say
        self.pictures = pictures
        self.windows = windows
        self.by_hand = by_hand
        self.shown_as = shown_as or (lambda path: path)
        self.failures = []
        self.checks = 0
        self.step_name = ""
        self.saved_pictures = []
        self.run_pictures = []
        self.files = set()
        self.registry = {}

    # -- Telling and checking --------------------------------------------------------------

    def step(self, title):
        self.step_name = title
        self.say("")
        self.say("== %s ==" % title)

    def check(self, ok, what):
        self.checks += 1
        if not ok:
            self.failures.append("%s: %s" % (self.step_name, what))
            self.say("  CHECK FAILED: %s" % what)
        return ok

    def check_equal(self, seen, wanted, what):
        return self.check(seen == wanted, "%s: %r, not %r" % (what, seen, wanted))

    def say_wrapped(self, text, indent):
        for line in text.splitlines() or [""]:
            for part in textwrap.wrap(line, 92 - len(indent)) or [""]:
                self.say(indent + part)

    # -- What the machine holds ------------------------------------------------------------

    def take_files(self):
        """Windows paths of every file and folder on C: but the untold ones."""
        drive = self.w.unix_path("C:\\")
        found = set()
        for root, folders, names in os.walk(drive):
            for name in folders + names:
                path = self.w.win_path(os.path.join(root, name))
                if any(inside(path, untold) for untold in UNTOLD):
                    if name in folders:
                        folders.remove(name)
                    continue
                found.add(path + ("\\" if name in folders else ""))
        return found

    def in_order_of_removal(self, names):
        def removed_at(name):
            info = os.path.join(self.w.env["XDG_DATA_HOME"], "Trash", "info",
                                name + ".trashinfo")
            return os.stat(info).st_mtime_ns if os.path.exists(info) else 0
        return sorted(names, key=lambda name: (removed_at(name), name))

    def take_registry(self):
        values = {}
        for key in WATCHED_KEYS:
            tree = self.w.reg_tree(key)
            if tree is None:
                continue
            for sub in tree.keys:
                values[(key + ("\\" + sub if sub else ""), None)] = None
            for (sub, name), data in tree.values.items():
                values[(key + ("\\" + sub if sub else ""), name)] = data
        return values

    def tell_changes(self, trash_before):
        files = self.take_files()
        added = sorted(files - self.files, key=str.lower)
        removed = sorted(self.files - files, key=str.lower)
        self.files = files
        # A folder that went, went with all it held: only the folder is told.
        removed = [p for p in removed if not any(p != q and inside(p, q) for q in removed)]
        for path in added:
            self.say("  + %s" % path)
        for path in removed:
            self.say("  - %s" % path)
        for name in self.in_order_of_removal(set(self.w.trash()) - trash_before):
            self.say("  recycle bin <- %s" % self.w.trash_origin(name))
        registry = self.take_registry()
        self.tell_registry(self.registry, registry)
        self.registry = registry
        if not added and not removed and set(self.w.trash()) == trash_before:
            self.say("  (nothing changed on disk)")

    def tell_registry(self, before, after):
        """Values added or changed, keys added empty, keys removed (only the topmost of a
        removed tree) and values removed from keys that stay."""
        def keys(snapshot):
            return {key for key, _ in snapshot}
        def order(item):
            return (item[0], item[1] or "")
        for (key, name), data in sorted(after.items(), key=lambda i: order(i[0])):
            if name is None:
                if key not in keys(before) and not any(k == key and n for k, n in after):
                    self.say("  registry + %s" % key)
            elif (key, name) not in before:
                self.say("  registry + %s: %s = %s" % (key, name, data))
            elif before[(key, name)] != data:
                self.say("  registry ~ %s: %s = %s" % (key, name, data))
        gone = keys(before) - keys(after)
        for key, name in sorted(set(before) - set(after), key=order):
            if name is None and not any(key.startswith(k + "\\") for k in gone):
                self.say("  registry - %s" % key)
            elif name is not None and key not in gone:
                self.say("  registry - %s: %s" % (key, name))

    # -- Running ---------------------------------------------------------------------------

    def take_picture(self, box, place):
        number = len(self.saved_pictures) + 1
        path = os.path.join(self.pictures, "%02d-%s.png" % (number, slug(box.caption)))
        try:
            _, _, rows = screen.save(self.w.display, place, path)
        except (screen.ScreenError, OSError) as error:
            self.run_pictures.append("(no picture: %s)" % error)
            if not self.by_hand:
                self.check(False, "picture of box %r: %s" % (box.caption, error))
            return
        self.saved_pictures.append(path)
        self.run_pictures.append(self.shown_as(path))
        colours = {row[i:i + 3] for row in rows for i in range(0, len(row), 3)}
        self.check(len(colours) > 2, "picture %s shows the box" % os.path.basename(path))

    def run(self, command, cwd, answers=()):
        w = self.w
        starts_before = len(w.standin_log())
        trash_before = set(w.trash())
        self.files = self.take_files()  # what the story laid out is told on its own
        self.run_pictures = []
        self.say("runs: %s" % command)
        self.say("  in: %s" % cwd)
        run = w.run(command, answers=list(answers), cwd=cwd,
                    timeout=BY_HAND_TIMEOUT if self.by_hand else 90,
                    on_box=self.take_picture if self.pictures else None)
        for number, box in enumerate(run.boxes):
            pressed = run.presses[number] if number < len(run.presses) else "?"
            self.say("  box [%s]  buttons %s, %s pressed%s" % (
                box.caption, " ".join(box.buttons), pressed, " (by you)" if self.by_hand else ""))
            self.say_wrapped(box.text, "    | ")
            if number < len(self.run_pictures):
                self.say("    picture: %s" % self.run_pictures[number])
        if not run.boxes:
            self.say("  (no box)")
        starts = w.standin_log()[starts_before:]
        for command_line, folder in starts:
            self.say("  started: %s" % command_line)
            self.say("       in: %s" % folder)
        self.say("  exit code %s" % run.exit_code)
        self.tell_changes(trash_before)
        self.check_equal(run.exit_code, EXIT_OK, "exit code")
        return run, starts

    # -- The places the product uses -------------------------------------------------------

    def is_nt(self):
        return self.windows != "win98"

    def shortcut_places(self):
        """The desktop shortcut and the start-menu folder where the product's setup puts
        them: the shared desktop; the shared programs folder, outside the NT family the
        user's own."""
        desktop = self.w.reg_tree("HKLM\\" + SHELL_FOLDERS_KEY).value("Common Desktop")
        if self.is_nt():
            programs = self.w.reg_tree("HKLM\\" + SHELL_FOLDERS_KEY).value("Common Programs")
        else:
            programs = self.w.reg_tree("HKCU\\" + SHELL_FOLDERS_KEY).value("Programs")
        return (desktop.rstrip("\\") + "\\" + SHORTCUT, programs.rstrip("\\") + "\\Tessaly\\")

    # -- The story -------------------------------------------------------------------------

    def tell(self):
        w = self.w
        if self.windows:
            w.pose_as(self.windows)
        major, minor, platform = w.windows_version()
        self.say("Windows as programs see it: %d.%d (%s)" % (
            major, minor, "NT family" if platform == 2 else "Windows 9x"))
        if self.by_hand:
            w.env["BOXDRIVER_BY_HAND"] = "1"
            self.say("You answer the boxes on your display (%s)." % w.display)
        self.files = self.take_files()
        self.registry = self.take_registry()
        self.modules_before_the_product()
        self.product_disc()
        self.modules_handed_over()
        confirmed = self.uninstall()
        self.modules_after(confirmed)
        self.final_state()
        return self.failures

    def lay_out_modules(self):
        if not self.w.exists(MODULES):
            self.w.put_tool("Setup.exe", MODULES + "Setup.exe")
            for name, data in MODULE_FILES.items():
                self.w.put_file(MODULES + name, data)
        self.say("disc %s: %s" % (MODULES, ", ".join(self.w.listdir(MODULES))))

    def check_no_product_box(self, run, starts):
        self.check_equal([b.caption for b in run.boxes], [STARTUP_CAPTION], "boxes")
        self.check(bool(run.boxes) and run.boxes[0].text.startswith(STARTUP_HINT),
                   "the box names the missing program files")
        self.check_equal(starts, [], "programs started")

    def modules_before_the_product(self):
        self.step("1. A data-module disc, before the product is installed")
        self.lay_out_modules()
        self.check_no_product_box(*self.run(MODULES + "Setup.exe autorun", MODULES))

    def product_disc(self):
        w = self.w
        self.step("2. The product's disc: Setup.exe autorun")
        program, setup = build_file("kest.exe"), build_file("Setup.exe")
        w.put_tool("Setup.exe", MEDIUM + "Setup.exe")
        w.put_file(MEDIUM + "Autorun.inf", "[autorun]\r\nopen=Setup.exe autorun\r\n")
        w.put_file(INSTALL_FILES + PACKED_PROGRAM, compress(program, PROGRAM_FILE))
        w.put_file(INSTALL_FILES + PACKED_LIBRARY, compress(LIBRARY, LIBRARY_FILE))
        for name, data in MEDIUM_FILES.items():
            w.put_file(INSTALL_FILES + name, data)
        w.put_file(INSTALL_FILES + "Fonts\\KestSans.ttf", FONT)
        self.say("disc %s: %s" % (MEDIUM, ", ".join(w.listdir(MEDIUM))))
        self.say("  %s: %s" % (INSTALL_FILES, ", ".join(w.listdir(INSTALL_FILES))))
        self.say("  (Kest.Ex_ and RApi.Dl_ made by mscompress; Kest.Exe is the stand-in for the "
                 "product, acting as its setup)")
        w.env["KEST_STANDIN_ACTS"] = "1"
        run, starts = self.run(MEDIUM + "Setup.exe autorun", MEDIUM)
        self.check_equal(run.boxes, [], "boxes")
        source = w.short_path(INSTALL_FILES)
        if self.check_equal(len(starts), 1, "programs started"):
            command, folder = starts[0]
            self.check(command.endswith('%s "%s"' % (PROGRAM_FILE, source)),
                       "Kest.Exe started with the installation files' folder %s" % source)
            self.check(command.lower().startswith(folder.lower() + "\\kest.exe "),
                       "Kest.Exe started in the folder it was unpacked to")
            unpacked = folder + "\\"
            self.check(w.exists(unpacked + PROGRAM_FILE) and
                       w.read_file(unpacked + PROGRAM_FILE) == program, "Kest.Exe unpacked whole")
            self.check(w.exists(unpacked + UNPACKED_LIBRARY) and
                       w.read_file(unpacked + UNPACKED_LIBRARY) == LIBRARY,
                       "Rapi.DLL unpacked whole")
        expected = {PROGRAM_FILE: program, UNINSTALLER: setup, LIBRARY_FILE: LIBRARY,
                    "Fonts\\KestSans.ttf": FONT}
        expected.update({n: d.encode(ANSI) if isinstance(d, str) else d
                         for n, d in MEDIUM_FILES.items()})
        for name, data in expected.items():
            self.check(w.exists(PROGRAM + name) and w.read_file(PROGRAM + name) == data,
                       "installed " + PROGRAM + name)
        fonts_reg = '"KestSans (TrueType)" "%sFonts\\KestSans.ttf"\r\n' % PROGRAM
        self.check(w.exists(PROGRAM + FONT_FOLDER_LIST) and
                   w.read_file(PROGRAM + FONT_FOLDER_LIST).decode(ANSI) == fonts_reg,
                   "Fonts.Reg lists the font")
        for place in (DATA, EXTRA) + self.shortcut_places():
            self.check(w.exists(place), "installed " + place)
        entry = w.reg_tree("HKLM\\" + UNINSTALL_KEY)
        self.check(entry is not None and entry.value("DisplayName") == "Tessaly 9.0",
                   "DisplayName registered")
        self.check(entry is not None and entry.value("UninstallString") ==
                   '%s %s %s "%s" "%s"' % (INSTALLED_UNINSTALLER, PRODUCT_NAME, PRODUCT_NAME,
                                            DATA, EXTRA),
                   "UninstallString registered")

    def modules_handed_over(self):
        w = self.w
        self.step("3. The data-module disc again: modules for the installed product")
        self.lay_out_modules()
        run, starts = self.run(MODULES + "Setup.exe autorun", MODULES)
        self.check_equal(run.boxes, [], "boxes")
        self.check_equal([(c.replace('"', ""), f.rstrip("\\")) for c, f in starts],
                         [(INSTALLED_PROGRAM, PROGRAM.rstrip("\\"))],
                         "programs started")
        listed = DATA + MODULE_LIST
        if not self.check(w.exists(listed), "AutoLoad.Lst written to " + DATA):
            return
        lines = w.read_file(listed).decode(ANSI).split("\r\n")
        self.say("  %s:" % listed)
        for line in lines[:-1]:
            self.say("    | %s" % line)
        source = w.short_path(MODULES)
        self.check_equal(sorted(lines[:-2]), [source + n for n in HANDED_OVER], "modules listed")
        self.check_equal(lines[-2:], ["Setup 2.0", ""], "the list's end")
        for name in HANDED_OVER:
            self.check(w.exists(DATA + name), "the product loaded " + name)

    def uninstall(self):
        w = self.w
        self.step("4. Uninstall, as the list of installed programs runs it")
        entry = w.reg_tree("HKLM\\" + UNINSTALL_KEY)
        command = entry.value("UninstallString") if entry else None
        if not self.check(bool(command), "an uninstall command is registered"):
            return False
        run, starts = self.run(command, "C:\\", answers=["OK", "OK"])
        presses = run.presses + ["?"] * 2
        confirmed = presses[0] != "Cancel"
        texts = [(b.caption, b.text) for b in run.boxes]
        desktop_link, menu = self.shortcut_places()
        if not confirmed:
            self.check_equal(texts, [(UNINSTALL_CAPTION, CONFIRMATION)], "boxes")
            self.check_equal(starts, [], "programs started")
            for place in (INSTALLED_PROGRAM, DATA, EXTRA, desktop_link, menu):
                self.check(w.exists(place), "kept " + place)
            self.check(w.reg_exists("HKLM\\" + UNINSTALL_KEY), "uninstall entry kept")
            return False
        outcome = texts[1][1] if len(texts) == 2 else None
        self.check(outcome in (COMPLETE, REBOOT), "the final box tells the outcome")
        self.check_equal(texts[:1], [(UNINSTALL_CAPTION, CONFIRMATION)], "the confirmation box")
        self.check_equal([c.replace('"', "").lower() for c, _ in starts],
                         [(PROGRAM + "kest.exe /unregserver").lower()],
                         "programs started")
        for place in (DATA, EXTRA, desktop_link, menu, INSTALLED_PROGRAM):
            self.check(not w.exists(place), "removed " + place)
        origins = {(w.trash_origin(n) or "").rstrip("\\").lower() for n in w.trash()}
        for place in (PROGRAM + FONT_FOLDER_LIST, PROGRAM + "Fonts", DATA, EXTRA,
                      desktop_link, menu):
            self.check(place.rstrip("\\").lower() in origins, "in the recycle bin: " + place)
        for root in ("HKLM", "HKCU"):
            self.check(not w.reg_exists(root + "\\" + UNINSTALL_KEY),
                       "uninstall entry deleted under " + root)
        run_once = w.reg_tree("HKLM\\" + RUN_ONCE_KEY)
        scheduled = {name: data for (_, name), data in (run_once.values if run_once else {}).items()
                     if name.lower().startswith("kestdel.exe")}
        if outcome == REBOOT:
            self.check(w.exists(INSTALLED_UNINSTALLER), "the running uninstaller stays")
            commands = ("Del " + w.short_path(INSTALLED_UNINSTALLER),
                        "Rd  " + w.short_path(PROGRAM))
            if self.is_nt():
                commands = tuple('cmd.exe /c "%s"' % c for c in commands)
            self.check_equal(scheduled, dict(zip((RUN_ONCE_FILE, RUN_ONCE_FOLDER), commands)),
                             "restart commands")
        else:
            self.check(not w.exists(PROGRAM), "the program folder went whole")
            self.check_equal(scheduled, {}, "restart commands")
        return True

    def modules_after(self, uninstalled):
        self.step("5. The data-module disc once more")
        run, starts = self.run(MODULES + "Setup.exe autorun", MODULES)
        if uninstalled:
            self.check_no_product_box(run, starts)

    def final_state(self):
        w = self.w
        self.step("Final state")
        desktop_link, menu = self.shortcut_places()
        for place in (PROGRAM, DATA, EXTRA, desktop_link, menu):
            self.say("  %-7s %s" % ("present" if w.exists(place) else "gone", place))
        for root in ("HKLM", "HKCU"):
            self.say("  %-7s %s\\%s" % ("present" if w.reg_exists(root + "\\" + UNINSTALL_KEY)
                                        else "gone", root, UNINSTALL_KEY))
        self.say("  recycle bin:")
        for name in self.in_order_of_removal(w.trash()):
            self.say("    %s  (from %s)" % (name, w.trash_origin(name)))
