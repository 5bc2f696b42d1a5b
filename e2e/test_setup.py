"""The setup launcher under Wine: the real Setup.exe, the real lz32, the stand-in Kest.Exe."""

import os
import shutil
import subprocess
import tempfile
import unittest

from harness import WineTestCase, win_build_file

UNINSTALL_KEY = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessaly"
HINT = (". Download latest program from www.tessaly.example/download/ftp.tessaly.example/pub"
        " and reinstall.")
INVALID_PROGRAM = ("11-Executable file was invalid. Either it was not a Windows application or"
                   " there was an error in the .EXE image.")


def compress(data):
    """The bytes Debian's mscompress makes of `data`."""
    folder = tempfile.mkdtemp(prefix="setl_szdd")
    try:
        path = os.path.join(folder, "data.bin")
        with open(path, "wb") as f:
            f.write(data)
        subprocess.run(["mscompress", path], check=True, stdout=subprocess.DEVNULL)
        with open(path + "_", "rb") as f:
            return f.read()
    finally:
        shutil.rmtree(folder)


def stand_in():
    with open(win_build_file("kest.exe"), "rb") as f:
        return f.read()


class SetupLauncherTest(WineTestCase):
    def add_medium(self, folder, program="Kest.Exe", program_data=None,
                   library="RApi.Dll", library_data=b"MZ library"):
        """The installation files in `folder` (ending with a backslash)."""
        w = self.wine
        w.put_file(folder + program, stand_in() if program_data is None else program_data)
        w.put_file(folder + library, library_data)
        w.put_file(folder + "Install.Msg", "messages")
        w.put_file(folder + "Common.801", "common module")
        w.put_file(folder + "LangEng.801", "english module")

    def install_product(self, display_name="Tessaly 10.0",
                        program_folder="C:\\Program Files\\Tessaly\\",
                        data_folder="C:\\Tessaly Data\\"):
        w = self.wine
        w.put_tool("kest.exe", program_folder + "Kest.Exe")
        w.put_folder(data_folder)
        w.reg_set(UNINSTALL_KEY, "DisplayName", display_name)
        w.reg_set(UNINSTALL_KEY, "UninstallString",
                  '%sKestDel.Exe "Tessaly" "Tessaly" "%s" "C:\\Tessaly Extra\\"' % (
                      program_folder, data_folder))

    def set_age(self, win_path, year):
        stamp = (year - 1970) * 365 * 24 * 3600
        os.utime(self.wine.unix_path(win_path), (stamp, stamp))

    def use_temp_folder(self, folder):
        for name in ("TEMP", "TMP"):
            self.wine.reg_set("HKCU\\Environment", name, folder)

    def launch(self, medium, argument=""):
        self.wine.put_tool("Setup.exe", medium + "Setup.exe")
        return self.wine.run(('"%sSetup.exe" %s' % (medium, argument)).strip(), cwd="C:\\")

    def unpacked_folder(self, temp, before):
        """The one folder the run made in the temporary folder: its path, and in short form."""
        (made,) = set(self.wine.listdir(temp)) - set(before)
        return temp + "\\" + made, self.wine.short_path(temp + "\\") + made

    @unittest.skipUnless(shutil.which("mscompress"), "mscompress is missing")
    def test_compressed_program_is_unpacked_into_a_folder_of_its_own(self):
        w = self.wine
        self.use_temp_folder("C:\\Kest Temp")
        w.put_folder("C:\\Kest Temp")
        library = b"MZ library " * 300
        self.add_medium("C:\\Tessaly Medium\\kest\\win32\\", "Kest.Ex_", compress(stand_in()),
                        "Rapi.Dl_", compress(library))
        run = self.launch("C:\\Tessaly Medium\\", "autorun")
        self.assertEqual((run.exit_code, run.boxes), (0, []))
        folder, unpacked = self.unpacked_folder("C:\\Kest Temp", [])
        self.assertEqual(w.read_file(folder + "\\Kest.Exe"), stand_in())
        self.assertEqual(w.read_file(folder + "\\Rapi.DLL"), library)
        source = w.short_path("C:\\Tessaly Medium\\kest\\win32\\")
        self.assertNotIn(" ", unpacked + source)
        self.assertEqual(w.standin_log(), [('%s\\Kest.Exe "%s"' % (unpacked, source), unpacked)])

    def test_uncompressed_program_starts_in_place(self):
        w = self.wine
        self.add_medium("C:\\Tessaly Medium\\")
        run = self.launch("C:\\Tessaly Medium\\")
        self.assertEqual((run.exit_code, run.boxes), (0, []))
        source = w.short_path("C:\\Tessaly Medium\\")
        self.assertEqual(w.standin_log(), [('%sKest.Exe "%s"' % (source, source),
                                            source.rstrip("\\"))])

    def test_windows_xp_takes_the_xp_variant(self):
        w = self.wine
        w.pose_as("winxp")
        xp_program = stand_in() + b"XP variant"
        self.add_medium("C:\\Medium\\")
        w.put_file("C:\\Medium\\KestXP.Exe", xp_program)
        run = self.launch("C:\\Medium\\")
        self.assertEqual((run.exit_code, run.boxes), (0, []))
        self.assertEqual(w.read_file("C:\\Medium\\Kest.Exe"), xp_program)
        self.assertFalse(w.exists("C:\\Medium\\KestXP.Exe"))
        self.assertEqual(w.standin_log(), [('C:\\Medium\\Kest.Exe "C:\\Medium\\"', "C:\\Medium")])

    def test_autorun_with_a_newer_installed_program_starts_nothing(self):
        w = self.wine
        self.add_medium("C:\\Medium\\")
        self.install_product()
        self.set_age("C:\\Medium\\Kest.Exe", 2020)
        self.set_age("C:\\Program Files\\Tessaly\\Kest.Exe", 2024)
        run = self.launch("C:\\Medium\\", "AutoRun")
        self.assertEqual((run.exit_code, run.boxes), (0, []))
        self.assertEqual(w.standin_log(), [])
        # Without the argument the same medium starts its program.
        run = self.launch("C:\\Medium\\")
        self.assertEqual((run.exit_code, run.boxes), (0, []))
        self.assertEqual(w.standin_log(), [('C:\\Medium\\Kest.Exe "C:\\Medium\\"', "C:\\Medium")])

    def test_modules_only_medium_hands_its_modules_to_the_installed_program(self):
        w = self.wine
        for name in ("Extra.801", "Common.801", "Lang.801", "install.801", "Notes.txt"):
            w.put_file("C:\\Medium\\" + name, "module")
        self.install_product()
        w.put_file("C:\\Tessaly Data\\AutoLoad.Lst", "C:\\Old\\Old.801\r\nSetup 2.0\r\n")
        run = self.launch("C:\\Medium\\")
        self.assertEqual((run.exit_code, run.boxes), (0, []))
        self.assertEqual(w.read_file("C:\\Tessaly Data\\AutoLoad.Lst"),
                         b"C:\\Medium\\Extra.801\r\nSetup 2.0\r\n")
        self.assertEqual(w.listdir("C:\\Tessaly Data"), ["AutoLoad.Lst"])
        self.assertEqual(w.standin_log(), [('"C:\\Program Files\\Tessaly\\Kest.Exe"',
                                            "C:\\Program Files\\Tessaly")])

    def test_links_in_the_data_folder_lead_nowhere_during_a_hand_over(self):
        """AutoLoad.Lst, AutoLoad.Lst.new and $$$.$$$ in the data folder made symbolic or hard
        links (from Linux) to another user's files: those files stay as they were, and the
        modules are still handed over."""
        w = self.wine
        w.put_file("C:\\Medium\\Extra.801", "module")
        self.install_product()
        data = "C:\\Tessaly Data\\"
        names = ("AutoLoad.Lst", "AutoLoad.Lst.new", "$$$.$$$")
        for kinds in (("symlink", "link", "symlink"), ("link", "symlink", "link")):
            for name in names:
                if os.path.lexists(w.unix_path(data + name)):
                    os.remove(w.unix_path(data + name))
            for number, (name, kind) in enumerate(zip(names, kinds)):
                other = "C:\\Users\\Bob\\file%d.txt" % number
                w.put_file(other, "Bob's file %d" % number)
                w.set_dos_attributes(other, 0x2)
                getattr(os, kind)(w.unix_path(other), w.unix_path(data + name))
            attributes = [w.dos_attributes("C:\\Users\\Bob\\file%d.txt" % n) for n in range(3)]
            run = self.launch("C:\\Medium\\")
            self.assertEqual((run.exit_code, run.boxes), (0, []), kinds)
            for number in range(3):
                other = "C:\\Users\\Bob\\file%d.txt" % number
                self.assertEqual(w.read_file(other), b"Bob's file %d" % number, kinds)
                self.assertEqual(w.dos_attributes(other), attributes[number], kinds)
            self.assertFalse(os.path.islink(w.unix_path(data + "AutoLoad.Lst")), kinds)
            self.assertEqual(w.read_file(data + "AutoLoad.Lst"),
                             b"C:\\Medium\\Extra.801\r\nSetup 2.0\r\n", kinds)
            # Only the links that were in the way of nothing stay: the partial list's name.
            self.assertEqual(sorted(w.listdir(data)), ["AutoLoad.Lst", "AutoLoad.Lst.new"], kinds)
        self.assertEqual(len(w.standin_log()), 2)

    @unittest.skipUnless(shutil.which("mscompress"), "mscompress is missing")
    def test_damaged_compressed_program_is_not_started(self):
        # Wine's lz32 expands data that ends early as far as it goes, and copies a file whose
        # header is cut short as it stands: the copy succeeds and the start fails.
        w = self.wine
        packed = compress(stand_in())
        unknown_method = packed[:8] + b"Q" + packed[9:]
        for what, data in [("cut in the middle", packed[:len(packed) // 2]),
                           ("header cut short", packed[:11]),
                           ("unknown method", unknown_method)]:
            with self.subTest(what):
                self.add_medium("C:\\Medium\\", "Kest.Ex_", data, "Rapi.Dl_", compress(b"MZ"))
                run = self.launch("C:\\Medium\\")
                self.assertEqual(run.exit_code, 0)
                self.assertBoxes(run, [("Windows Error: WinExec", "Bad EXE format for %1. "),
                                       ("WinExec", INVALID_PROGRAM)])
                self.assertEqual(w.standin_log(), [])

    @unittest.skipUnless(shutil.which("mscompress"), "mscompress is missing")
    def test_kest_exe_in_the_temporary_folder_that_cannot_be_overwritten_is_left_alone(self):
        # lz32 cannot create a Kest.Exe that is in use or read-only (here: a folder of that
        # name, since Wine run by root writes read-only files all the same) and would
        # quietly write Kest.Ex_ beside it. The program goes into a folder of its own
        # instead, and the temporary folder keeps what it had.
        w = self.wine
        self.use_temp_folder("C:\\Kest Temp")
        w.put_folder("C:\\Kest Temp\\Kest.Exe")
        self.add_medium("C:\\Medium\\", "Kest.Ex_", compress(stand_in() + b"new"), "Rapi.Dl_",
                        compress(b"MZ library " * 300))
        run = self.launch("C:\\Medium\\")
        self.assertEqual((run.exit_code, run.boxes), (0, []))
        folder, unpacked = self.unpacked_folder("C:\\Kest Temp", ["Kest.Exe"])
        self.assertEqual(w.read_file(folder + "\\Kest.Exe"), stand_in() + b"new")
        self.assertEqual(w.listdir("C:\\Kest Temp\\Kest.Exe"), [])
        self.assertEqual(w.standin_log(), [('%s\\Kest.Exe "C:\\Medium\\"' % unpacked, unpacked)])

    def test_module_list_that_cannot_replace_the_old_one_leaves_it_whole(self):
        # The new list is written beside its place; when it cannot take that place (here a
        # folder of the list's name holds it), it goes again and what was there stays.
        w = self.wine
        w.put_file("C:\\Medium\\Extra.801", "module")
        self.install_product()
        w.put_file("C:\\Tessaly Data\\AutoLoad.Lst\\keep.txt", "kept")
        run = self.launch("C:\\Medium\\")
        self.assertEqual(run.exit_code, 0)
        self.assertBoxes(run, [("Check Startup", "Unable to Auto Install modules" + HINT)])
        self.assertEqual(w.listdir("C:\\Tessaly Data"), ["AutoLoad.Lst"])
        self.assertEqual(w.listdir("C:\\Tessaly Data\\AutoLoad.Lst"), ["keep.txt"])
        self.assertEqual(w.standin_log(), [('"C:\\Program Files\\Tessaly\\Kest.Exe"',
                                            "C:\\Program Files\\Tessaly")])

    def test_incomplete_medium_without_a_product(self):
        w = self.wine
        w.put_file("C:\\Medium\\Notes.txt", "notes")
        run = self.launch("C:\\Medium\\")
        self.assertEqual(run.exit_code, 0)
        self.assertBoxes(run, [("Check Startup", "Program install files missing (2) <> <" + HINT)])
        self.assertEqual(w.standin_log(), [])

    def test_kest_exe_that_is_no_program(self):
        w = self.wine
        self.add_medium("C:\\Medium\\", program_data=b"just text, no program\r\n")
        run = self.launch("C:\\Medium\\")
        self.assertEqual(run.exit_code, 0)
        # The system's text keeps its insert; its line break became a blank.
        self.assertBoxes(run, [("Windows Error: WinExec", "Bad EXE format for %1. "),
                               ("WinExec", INVALID_PROGRAM)])
        self.assertEqual(w.standin_log(), [])


if __name__ == "__main__":
    unittest.main()
