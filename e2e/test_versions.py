"""The main roads of both modes on every Windows version Wine can pose as, on one machine
whose version is switched between runs: what differs by version is asserted, the rest must
come out the same everywhere."""

import os
import re
import shutil
import subprocess
import unittest

from harness import WINDOWS_VERSIONS, WineMachine, compress
from product import (COMMON_MODULE, COMPLETE, CONFIRMATION, DATA, DIRECTORY_DELETE_CAPTION,
                     DIRECTORY_NOT_DELETED, EXIT_ERROR, EXIT_OK, EXTRA, FILE_DELETE_CAPTION,
                     FILE_NOT_DELETED, FONTS_KEY_9X, FONT_DELETE_CAPTION, FONT_FOLDER_LIST,
                     FONT_LIST, INSTALLED_PROGRAM, INSTALLED_UNINSTALLER, INSTALL_MESSAGES,
                     LIBRARY_FILE, MODULE_LIST, NT_FONTS_KEY, PACKED_LIBRARY_COPIED,
                     PACKED_PROGRAM, PRODUCT_NAME, PROGRAM, PROGRAM_FILE, PROGRAM_FILE_XP,
                     PROGRAM_GROUP, REBOOT, RUN_ONCE_FILE, RUN_ONCE_FOLDER, SHORTCUT,
                     SOME_FONTS_NOT_DELETED, UNINSTALLER, UNINSTALL_CAPTION, UNINSTALL_COMMAND,
                     UNINSTALL_KEY)
from test_setup import stand_in
from test_uninstall import DESKTOP, PROGRAMS, RUNONCE_KEY, USER_PROGRAMS, is_question

MEDIUM = "C:\\Tessaly Medium\\"
TEMP = "C:\\Kest Temp\\"
FONT = "Kest Sans (TrueType)"
FONTS_REG = '"%s" "%sFonts\\KestSans.ttf"\r\n' % (FONT, PROGRAM)
NOT_NT = ("win98",)
IS_WIN_XP = ("winxp",)  # 5.1 and 5.2 only: later versions take the ordinary program


def immutable(path, on):
    """Sets or clears the Linux immutable flag: no one, root included, may then move,
    delete or write the file. False when the file system or the user cannot."""
    flag = "+i" if on else "-i"
    return subprocess.run(["chattr", flag, path], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0


def can_make_immutable():
    if not shutil.which("chattr"):
        return False
    probe = os.path.join(os.environ.get("KEST_E2E_WORK", "/tmp"), "immutable-probe")
    os.makedirs(os.path.dirname(probe), exist_ok=True)
    with open(probe, "w"):
        pass
    able = immutable(probe, True)
    immutable(probe, False)
    os.remove(probe)
    return able


class VersionMatrixTest(unittest.TestCase):
    maxDiff = None
    machine = None

    @classmethod
    def setUpClass(cls):
        cls.machine = WineMachine("versions.VersionMatrixTest")
        cls.machine.__enter__()
        w = cls.machine
        w.reg_set_values([("HKCU\\Environment", "TEMP", TEMP.rstrip("\\")),
                          ("HKCU\\Environment", "TMP", TEMP.rstrip("\\"))])
        cls.short = {}

    @classmethod
    def tearDownClass(cls):
        if cls.machine is not None:
            cls.machine.stop()

    # The machine between roads -----------------------------------------------------------

    def short_path(self, win_path):
        if win_path not in self.short:
            self.short[win_path] = self.machine.short_path(win_path)
        return self.short[win_path]

    def clear(self):
        """Nothing of the product, its recycle bin or the stand-in's log is left."""
        w = self.machine
        fonts_reg = w.unix_path(PROGRAM + FONT_FOLDER_LIST)
        if os.path.exists(fonts_reg):
            immutable(fonts_reg, False)
        for folder in (PROGRAM, DATA, EXTRA, MEDIUM, TEMP, DESKTOP + SHORTCUT,
                       PROGRAMS + PROGRAM_GROUP, USER_PROGRAMS + PROGRAM_GROUP,
                       "C:\\standin.log"):
            path = w.unix_path(folder)
            if os.path.isdir(path):
                shutil.rmtree(path)
            elif os.path.lexists(path):
                os.remove(path)
        trash = os.path.join(w.env["XDG_DATA_HOME"], "Trash")
        if os.path.isdir(trash):
            shutil.rmtree(trash)
        elif os.path.lexists(trash):
            os.remove(trash)
        w.put_folder(TEMP)

    def break_trash(self):
        """A file where the recycle bin's folder belongs: Wine then deletes instead."""
        trash = os.path.join(self.machine.env["XDG_DATA_HOME"], "Trash")
        if os.path.isdir(trash):
            shutil.rmtree(trash)
        with open(trash, "w") as f:
            f.write("not a folder")

    def install(self, registry=(), fonts_reg=None, program="Setup.exe"):
        """The product's programs, shortcuts and uninstall entries, and more registry values."""
        w = self.machine
        w.put_tool(program, INSTALLED_UNINSTALLER)
        w.put_tool("kest.exe", PROGRAM + "kest.exe")
        w.put_file(PROGRAM + "Books\\readme.txt", b"read me")
        w.put_file(DATA + "Notes\\notes.txt", b"notes")
        w.put_file(EXTRA + "extra.dat", b"extra")
        w.put_file(DESKTOP + SHORTCUT, b"link")
        for programs in (PROGRAMS, USER_PROGRAMS):
            w.put_file(programs + PROGRAM_GROUP + "\\" + SHORTCUT, b"link")
        if fonts_reg is not None:
            w.put_file(PROGRAM + "Fonts\\KestSans.ttf", b"font")
            w.put_file(PROGRAM + FONT_FOLDER_LIST, fonts_reg)
        values = [(root + "\\" + UNINSTALL_KEY, name, text) for root in ("HKCU", "HKLM")
                  for name, text in (("UninstallString", UNINSTALL_COMMAND),
                                     ("DisplayName", PRODUCT_NAME))]
        w.reg_set_values(values + list(registry))

    def uninstall(self, answer="OK"):
        return self.machine.run(UNINSTALL_COMMAND, answers=[answer], cwd="C:\\")

    def boxes(self, run):
        return [(b.caption, b.text) for b in run.boxes]

    def boxes_beside_questions(self, run):
        """The boxes of a run without a usable recycle bin, less the questions before deleting
        for good (the shell's and the uninstaller's own, answered Yes), of which there must be
        at least one."""
        self.assertTrue([b for b in run.boxes if is_question(b)], run.describe())
        return [(b.caption, b.text) for b in run.boxes if not is_question(b)]

    def on_each_version(self, road):
        """Runs road(version) on a cleared machine posing as each version in turn."""
        for version in WINDOWS_VERSIONS:
            with self.subTest(version=version):
                self.machine.pose_as(version)
                self.clear()
                road(version)

    # The uninstaller ---------------------------------------------------------------------

    def test_uninstall_cancel_then_ok(self):
        w = self.machine
        def road(version):
            self.install()
            run = self.uninstall("Cancel")
            self.assertEqual((run.exit_code, self.boxes(run)),
                             (EXIT_OK, [(UNINSTALL_CAPTION, CONFIRMATION)]))
            self.assertTrue(w.exists(PROGRAM + "Books\\readme.txt"))
            self.assertTrue(w.exists(DESKTOP + SHORTCUT))
            self.assertEqual((w.trash(), w.standin_log()), ([], []))

            run = self.uninstall("OK")
            self.assertEqual((run.exit_code, self.boxes(run)),
                             (EXIT_OK, [(UNINSTALL_CAPTION, CONFIRMATION),
                                        (UNINSTALL_CAPTION, COMPLETE)]))
            self.assertEqual(w.standin_log(), [('"%skest.exe" /unregserver' % PROGRAM, "C:\\")])
            for gone in (PROGRAM, DATA, EXTRA, DESKTOP + SHORTCUT):
                self.assertFalse(w.exists(gone), gone)
            # The start menu of all users on the NT family, the user's own elsewhere.
            nt = version not in NOT_NT
            self.assertEqual(w.exists(PROGRAMS + PROGRAM_GROUP), not nt)
            self.assertEqual(w.exists(USER_PROGRAMS + PROGRAM_GROUP), nt)
            for root in ("HKCU", "HKLM"):
                self.assertFalse(w.reg_exists(root + "\\" + UNINSTALL_KEY), root)

        self.on_each_version(road)

    def test_uninstall_without_recycle_bin_schedules_restart_commands(self):
        w = self.machine
        def road(version):
            self.install()
            self.break_trash()
            run = self.uninstall("OK")
            self.assertEqual((run.exit_code, self.boxes_beside_questions(run)),
                             (EXIT_OK, [(UNINSTALL_CAPTION, CONFIRMATION),
                                        (UNINSTALL_CAPTION, REBOOT)]))
            self.assertEqual(w.listdir(PROGRAM), [UNINSTALLER])
            commands = ("Del " + self.short_path(INSTALLED_UNINSTALLER),
                        "Rd  " + self.short_path(PROGRAM))
            if version not in NOT_NT:
                commands = tuple('cmd.exe /c "%s"' % c for c in commands)
            tree = w.reg_tree(RUNONCE_KEY)
            self.assertEqual((tree.value(RUN_ONCE_FILE), tree.value(RUN_ONCE_FOLDER)), commands)

        self.on_each_version(road)

    def font_road(self, version, program="Setup.exe"):
        """A Fonts.Reg that cannot be moved, deleted or written, and no recycle bin (which would
        take the font folder whole): its fonts are removed one by one, each losing its key
        under the fonts key of the system's family, and the file error of writing the list
        back ends the run through the top-level report, the uninstall keys kept."""
        w = self.machine
        self.install(registry=[("HKLM\\%s\\%s" % (path, FONT), "File", "KestSans.ttf")
                               for path in (NT_FONTS_KEY, FONTS_KEY_9X)],
                     fonts_reg=FONTS_REG, program=program)
        self.assertTrue(immutable(w.unix_path(PROGRAM + FONT_FOLDER_LIST), True))
        self.break_trash()
        run = self.uninstall("OK")
        fonts = PROGRAM + "Fonts\\"
        boxes = self.boxes_beside_questions(run)
        self.assertEqual(boxes, [
            (UNINSTALL_CAPTION, CONFIRMATION),
            (FILE_DELETE_CAPTION, FILE_NOT_DELETED + fonts + FONT_LIST),
            (FILE_DELETE_CAPTION, FILE_NOT_DELETED + fonts + FONT_LIST),
            # Asked to delete the font folder for good, the uninstaller walks it.
            (FILE_DELETE_CAPTION, FILE_NOT_DELETED + fonts + FONT_LIST),
            (DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + fonts),
            (FONT_DELETE_CAPTION, SOME_FONTS_NOT_DELETED),
            ("Application Error", boxes[-1][1]),
        ])
        self.assertRegex(boxes[-1][1], r'^Exception FileCreateError in module %s at '
                         r'[0-9A-F]{8}\.\r?\nCannot create file "%s"\.'
                         % (re.escape(UNINSTALLER), re.escape(fonts + FONT_LIST)))
        self.assertEqual(run.exit_code, EXIT_ERROR)
        self.assertTrue(w.reg_exists("HKLM\\" + UNINSTALL_KEY))
        self.assertEqual(w.listdir(fonts), [FONT_LIST])
        nt = version not in NOT_NT
        self.assertEqual(w.reg_exists("HKLM\\%s\\%s" % (NT_FONTS_KEY, FONT)), not nt)
        self.assertEqual(w.reg_exists("HKLM\\%s\\%s" % (FONTS_KEY_9X, FONT)), nt)

    @unittest.skipUnless(can_make_immutable(), "files cannot be made immutable here")
    def test_fonts_listed_in_a_fonts_reg_that_stays_lose_their_key_under_the_systems_path(self):
        self.on_each_version(self.font_road)

    def test_windows_98_runs_without_the_functions_it_has_only_as_stubs(self):
        """Setup9x.exe is Setup.exe with CreateSemaphoreW and MoveFileExA failing as the stubs
        of Windows 98 do: the uninstall, the errors thrown and caught on the font road and the
        list file put in place on the modules road come out the same."""
        w = self.machine
        w.pose_as("win98")
        self.clear()
        self.install(program="Setup9x.exe")
        run = self.uninstall("OK")
        self.assertEqual((run.exit_code, self.boxes(run)),
                         (EXIT_OK, [(UNINSTALL_CAPTION, CONFIRMATION),
                                    (UNINSTALL_CAPTION, COMPLETE)]))
        self.assertFalse(w.exists(PROGRAM))
        if can_make_immutable():
            self.clear()
            self.font_road("win98", program="Setup9x.exe")
        self.clear()
        self.modules_road("win98", program="Setup9x.exe")

    # The setup launcher ------------------------------------------------------------------

    @unittest.skipUnless(shutil.which("mscompress"), "mscompress is missing")
    def test_compressed_launch(self):
        w = self.machine
        program, library = compress(stand_in()), compress(b"MZ library " * 300)
        def road(version):
            folder = MEDIUM + "kest\\win32\\"
            w.put_file(folder + PACKED_PROGRAM, program)
            w.put_file(folder + PACKED_LIBRARY_COPIED, library)
            for name in (INSTALL_MESSAGES, COMMON_MODULE, "LangEng.801"):
                w.put_file(folder + name, name)
            w.put_tool("Setup.exe", MEDIUM + "Setup.exe")
            run = w.run('"%sSetup.exe" autorun' % MEDIUM, cwd="C:\\")
            self.assertEqual((run.exit_code, run.boxes), (EXIT_OK, []))
            # Unpacked into a folder of its own the run made in the temporary folder.
            temp, source = self.short_path(TEMP), self.short_path(folder)
            (unpacked,) = w.listdir(TEMP)
            mine = temp + unpacked
            self.assertEqual(w.read_file(TEMP + unpacked + "\\" + PROGRAM_FILE), stand_in())
            self.assertEqual(w.standin_log(),
                             [('%s\\%s "%s"' % (mine, PROGRAM_FILE, source), mine)])

        self.on_each_version(road)

    def test_launch_takes_the_xp_variant_on_xp_only(self):
        w = self.machine
        xp_program = stand_in() + b"XP variant"
        def road(version):
            w.put_file(MEDIUM + PROGRAM_FILE, stand_in())
            w.put_file(MEDIUM + PROGRAM_FILE_XP, xp_program)
            for name in (LIBRARY_FILE, INSTALL_MESSAGES, COMMON_MODULE, "LangEng.801"):
                w.put_file(MEDIUM + name, name)
            w.put_tool("Setup.exe", MEDIUM + "Setup.exe")
            run = w.run('"%sSetup.exe"' % MEDIUM, cwd="C:\\")
            self.assertEqual((run.exit_code, run.boxes), (EXIT_OK, []))
            xp = version in IS_WIN_XP
            self.assertEqual(w.read_file(MEDIUM + PROGRAM_FILE), xp_program if xp else stand_in())
            self.assertEqual(w.exists(MEDIUM + PROGRAM_FILE_XP), not xp)
            medium = self.short_path(MEDIUM)
            self.assertEqual(w.standin_log(), [('%s%s "%s"' % (medium, PROGRAM_FILE, medium),
                                                medium.rstrip("\\"))])

        self.on_each_version(road)

    def modules_road(self, version, program="Setup.exe"):
        """A medium of data modules only, with the product installed: AutoLoad.Lst names the
        new module (written beside and put in place of the old list) and the product starts."""
        w = self.machine
        key = "HKCU\\" + UNINSTALL_KEY
        for name in ("Extra.801", COMMON_MODULE, "Lang.801", "install.801"):
            w.put_file(MEDIUM + name, "module")
        w.put_tool("kest.exe", INSTALLED_PROGRAM)
        w.put_file(DATA + MODULE_LIST, "C:\\Old\\Old.801\r\nSetup 2.0\r\n")
        w.reg_set_values([(key, "DisplayName", "Tessaly 10.0"),
                          (key, "UninstallString", UNINSTALL_COMMAND)])
        w.put_tool(program, MEDIUM + "Setup.exe")
        run = w.run('"%sSetup.exe"' % MEDIUM, cwd="C:\\")
        self.assertEqual((run.exit_code, run.boxes), (EXIT_OK, []))
        self.assertEqual(w.read_file(DATA + MODULE_LIST),
                         (self.short_path(MEDIUM) + "Extra.801\r\nSetup 2.0\r\n").encode())
        self.assertEqual(w.listdir(DATA), [MODULE_LIST])
        self.assertEqual(w.standin_log(), [('"%s"' % INSTALLED_PROGRAM, PROGRAM.rstrip("\\"))])

    def test_modules_only_medium_hands_its_modules_to_the_installed_program(self):
        self.on_each_version(self.modules_road)


if __name__ == "__main__":
    unittest.main()
