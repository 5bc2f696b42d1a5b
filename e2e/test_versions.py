"""The main roads of both modes on every Windows version Wine can pose as, on one machine
whose version is switched between runs: what differs by version is asserted, the rest must
come out the same everywhere."""

import os
import shutil
import subprocess
import unittest

from harness import WINDOWS_VERSIONS, WineMachine
from test_setup import compress, stand_in
from test_uninstall import (COMPLETE, CONFIRM_FILE, CONFIRM_FOLDER, CONFIRMATION, DESKTOP,
                            PARTIAL, PROGRAMS, REBOOT, RUNONCE_KEY, UNINSTALL_KEY,
                            USER_PROGRAMS)

PROGRAM = "C:\\Program Files\\Tessaly\\"
DATA = "C:\\Tessaly Data\\"
EXTRA = "C:\\Tessaly Extra\\"
MEDIUM = "C:\\Tessaly Medium\\"
TEMP = "C:\\Kest Temp\\"
COMMAND = '%sKestDel.Exe "Tessaly Study" Tessaly "%s" "%s"' % (PROGRAM, DATA, EXTRA)
NT_FONTS = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"
OTHER_FONTS = "Software\\Microsoft\\Windows\\CurrentVersion\\Fonts"
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
        fonts_reg = w.unix_path(PROGRAM + "Fonts\\Fonts.Reg")
        if os.path.exists(fonts_reg):
            immutable(fonts_reg, False)
        for folder in (PROGRAM, DATA, EXTRA, MEDIUM, TEMP, DESKTOP + "Tessaly.Lnk",
                       PROGRAMS + "Tessaly Study", USER_PROGRAMS + "Tessaly Study",
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
        w.put_tool(program, PROGRAM + "KestDel.Exe")
        w.put_tool("kest.exe", PROGRAM + "kest.exe")
        w.put_file(PROGRAM + "Books\\readme.txt", b"read me")
        w.put_file(DATA + "Notes\\notes.txt", b"notes")
        w.put_file(EXTRA + "extra.dat", b"extra")
        w.put_file(DESKTOP + "Tessaly.Lnk", b"link")
        for programs in (PROGRAMS, USER_PROGRAMS):
            w.put_file(programs + "Tessaly Study\\Tessaly.Lnk", b"link")
        if fonts_reg is not None:
            w.put_file(PROGRAM + "Fonts\\KestSans.ttf", b"font")
            w.put_file(PROGRAM + "Fonts\\Fonts.Reg", fonts_reg)
        values = [(root + "\\" + UNINSTALL_KEY, name, text) for root in ("HKCU", "HKLM")
                  for name, text in (("UninstallString", COMMAND), ("DisplayName", "Tessaly"))]
        w.reg_set_values(values + list(registry))

    def uninstall(self, answer="OK"):
        return self.machine.run(COMMAND, answers=[answer], cwd="C:\\")

    def boxes(self, run):
        return [(b.caption, b.text) for b in run.boxes]

    def boxes_beside_questions(self, run):
        """The boxes of a run without a usable recycle bin, less the shell's questions before
        deleting for good (answered Yes), of which there must be at least one."""
        questions = (CONFIRM_FILE, CONFIRM_FOLDER)
        self.assertTrue([b for b in self.boxes(run) if b in questions], run.describe())
        return [b for b in self.boxes(run) if b not in questions]

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
            self.assertEqual((run.exit_code, self.boxes(run)), (0, [("Uninstall", CONFIRMATION)]))
            self.assertTrue(w.exists(PROGRAM + "Books\\readme.txt"))
            self.assertTrue(w.exists(DESKTOP + "Tessaly.Lnk"))
            self.assertEqual((w.trash(), w.standin_log()), ([], []))

            run = self.uninstall("OK")
            self.assertEqual((run.exit_code, self.boxes(run)),
                             (0, [("Uninstall", CONFIRMATION), ("Uninstall", COMPLETE)]))
            self.assertEqual(w.standin_log(), [('"%skest.exe" /unregserver' % PROGRAM, "C:\\")])
            for gone in (PROGRAM, DATA, EXTRA, DESKTOP + "Tessaly.Lnk"):
                self.assertFalse(w.exists(gone), gone)
            # The start menu of all users on the NT family, the user's own elsewhere.
            nt = version not in NOT_NT
            self.assertEqual(w.exists(PROGRAMS + "Tessaly Study"), not nt)
            self.assertEqual(w.exists(USER_PROGRAMS + "Tessaly Study"), nt)
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
                             (0, [("Uninstall", CONFIRMATION), ("Uninstall", REBOOT)]))
            self.assertEqual(w.listdir(PROGRAM), ["KestDel.Exe"])
            commands = ("Del " + self.short_path(PROGRAM + "KestDel.Exe"),
                        "Rd  " + self.short_path(PROGRAM))
            if version not in NOT_NT:
                commands = tuple('cmd.exe /c "%s"' % c for c in commands)
            tree = w.reg_tree(RUNONCE_KEY)
            self.assertEqual((tree.value("KestDel.Exe1"), tree.value("KestDel.Exe2")), commands)

        self.on_each_version(road)

    def font_road(self, version, program="Setup.exe"):
        """A Fonts.Reg that cannot be moved, deleted or written, and no recycle bin (which would
        take the font folder whole): its fonts are removed one by one, each losing its key
        under the fonts key of the system's family, and the file error of writing the list
        back is reported."""
        w = self.machine
        self.install(registry=[("HKLM\\%s\\%s" % (path, FONT), "File", "KestSans.ttf")
                               for path in (NT_FONTS, OTHER_FONTS)],
                     fonts_reg=FONTS_REG, program=program)
        self.assertTrue(immutable(w.unix_path(PROGRAM + "Fonts\\Fonts.Reg"), True))
        self.break_trash()
        run = self.uninstall("OK")
        fonts = PROGRAM + "Fonts\\"
        boxes = self.boxes_beside_questions(run)
        self.assertEqual(boxes, [
            ("Uninstall", CONFIRMATION),
            ("File Delete", "File not deleted: %sFonts.Reg" % fonts),
            ("File Delete", "File not deleted: %sFonts.Reg" % fonts),
            ("Directory Delete", "Directory not deleted: " + fonts),
            ("Font Delete", "Some fonts not deleted."),
            ("Font Delete", boxes[-2][1]),
            ("Uninstall", PARTIAL),
        ])
        self.assertTrue(boxes[-2][1].startswith('Cannot create file "%sFonts.Reg".' % fonts))
        self.assertEqual(run.exit_code, 0)
        self.assertEqual(w.listdir(fonts), ["Fonts.Reg"])
        nt = version not in NOT_NT
        self.assertEqual(w.reg_exists("HKLM\\%s\\%s" % (NT_FONTS, FONT)), not nt)
        self.assertEqual(w.reg_exists("HKLM\\%s\\%s" % (OTHER_FONTS, FONT)), nt)

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
                         (0, [("Uninstall", CONFIRMATION), ("Uninstall", COMPLETE)]))
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
            w.put_file(folder + "Kest.Ex_", program)
            w.put_file(folder + "Rapi.Dl_", library)
            for name in ("Install.Msg", "Common.801", "LangEng.801"):
                w.put_file(folder + name, name)
            w.put_tool("Setup.exe", MEDIUM + "Setup.exe")
            run = w.run('"%sSetup.exe" autorun' % MEDIUM, cwd="C:\\")
            self.assertEqual((run.exit_code, run.boxes), (0, []))
            self.assertEqual(w.read_file(TEMP + "Kest.Exe"), stand_in())
            temp, source = self.short_path(TEMP), self.short_path(folder)
            self.assertEqual(w.standin_log(),
                             [('%sKest.Exe "%s"' % (temp, source), temp.rstrip("\\"))])

        self.on_each_version(road)

    def test_launch_takes_the_xp_variant_on_xp_only(self):
        w = self.machine
        xp_program = stand_in() + b"XP variant"
        def road(version):
            w.put_file(MEDIUM + "Kest.Exe", stand_in())
            w.put_file(MEDIUM + "KestXP.Exe", xp_program)
            for name in ("RApi.Dll", "Install.Msg", "Common.801", "LangEng.801"):
                w.put_file(MEDIUM + name, name)
            w.put_tool("Setup.exe", MEDIUM + "Setup.exe")
            run = w.run('"%sSetup.exe"' % MEDIUM, cwd="C:\\")
            self.assertEqual((run.exit_code, run.boxes), (0, []))
            xp = version in IS_WIN_XP
            self.assertEqual(w.read_file(MEDIUM + "Kest.Exe"), xp_program if xp else stand_in())
            self.assertEqual(w.exists(MEDIUM + "KestXP.Exe"), not xp)
            medium = self.short_path(MEDIUM)
            self.assertEqual(w.standin_log(), [('%sKest.Exe "%s"' % (medium, medium),
                                                medium.rstrip("\\"))])

        self.on_each_version(road)

    def modules_road(self, version, program="Setup.exe"):
        """A medium of data modules only, with the product installed: AutoLoad.Lst names the
        new module (written beside and put in place of the old list) and the product starts."""
        w = self.machine
        key = "HKCU\\" + UNINSTALL_KEY
        for name in ("Extra.801", "Common.801", "Lang.801", "install.801"):
            w.put_file(MEDIUM + name, "module")
        w.put_tool("kest.exe", PROGRAM + "Kest.Exe")
        w.put_file(DATA + "AutoLoad.Lst", "C:\\Old\\Old.801\r\nSetup 2.0\r\n")
        w.reg_set_values([(key, "DisplayName", "Tessaly 10.0"), (key, "UninstallString", COMMAND)])
        w.put_tool(program, MEDIUM + "Setup.exe")
        run = w.run('"%sSetup.exe"' % MEDIUM, cwd="C:\\")
        self.assertEqual((run.exit_code, run.boxes), (0, []))
        self.assertEqual(w.read_file(DATA + "AutoLoad.Lst"),
                         (self.short_path(MEDIUM) + "Extra.801\r\nSetup 2.0\r\n").encode())
        self.assertEqual(w.listdir(DATA), ["AutoLoad.Lst"])
        self.assertEqual(w.standin_log(), [('"%sKest.Exe"' % PROGRAM, PROGRAM.rstrip("\\"))])

    def test_modules_only_medium_hands_its_modules_to_the_installed_program(self):
        self.on_each_version(self.modules_road)


if __name__ == "__main__":
    unittest.main()
