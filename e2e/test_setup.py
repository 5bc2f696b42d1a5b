"""The setup launcher under Wine: the real Setup.exe, the real lz32, the stand-in Kest.Exe."""

import os
import shutil
import unittest

from harness import WineTestCase, compress, win_build_file
from product import (COMMON_MODULE, DATA, DOWNLOAD_HINT, EXIT_OK, EXTRA, INSTALLED_PROGRAM,
                     INSTALL_MESSAGES, INVALID_PROGRAM, LIBRARY_FILE, MODULE_LIST, NO_MODULES,
                     PACKED_LIBRARY_COPIED, PACKED_PROGRAM, PRODUCT_NAME, PROGRAM, PROGRAM_FILE,
                     PROGRAM_FILE_XP, STARTUP_CAPTION, UNINSTALLER, UNINSTALL_KEY,
                     UNPACKED_LIBRARY, WINDOWS_ERROR_CAPTION, WINEXEC_CAPTION, WRITE_TEST_FILE,
                     files_missing)

USER_UNINSTALL_KEY = "HKCU\\" + UNINSTALL_KEY
# The launcher's report of WinExec's failure, with the system's text for a file that is no
# program.
WINEXEC_FAILED = (WINDOWS_ERROR_CAPTION + WINEXEC_CAPTION, "Bad EXE format for %1. ")


def stand_in():
    with open(win_build_file("kest.exe"), "rb") as f:
        return f.read()


class SetupLauncherTest(WineTestCase):
    def add_medium(self, folder, program=PROGRAM_FILE, program_data=None,
                   library=LIBRARY_FILE, library_data=b"MZ library"):
        """The installation files in `folder` (ending with a backslash)."""
        w = self.wine
        w.put_file(folder + program, stand_in() if program_data is None else program_data)
        w.put_file(folder + library, library_data)
        w.put_file(folder + INSTALL_MESSAGES, "messages")
        w.put_file(folder + COMMON_MODULE, "common module")
        w.put_file(folder + "LangEng.801", "english module")

    def install_product(self, display_name="Tessaly 10.0",
                        program_folder=PROGRAM, data_folder=DATA):
        w = self.wine
        w.put_tool("kest.exe", program_folder + PROGRAM_FILE)
        w.put_folder(data_folder)
        w.reg_set(USER_UNINSTALL_KEY, "DisplayName", display_name)
        w.reg_set(USER_UNINSTALL_KEY, "UninstallString",
                  '%s%s "%s" "%s" "%s" "%s"' % (
                      program_folder, UNINSTALLER, PRODUCT_NAME, PRODUCT_NAME, data_folder,
                      EXTRA))

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
        self.add_medium("C:\\Tessaly Medium\\kest\\win32\\", PACKED_PROGRAM, compress(stand_in()),
                        PACKED_LIBRARY_COPIED, compress(library))
        run = self.launch("C:\\Tessaly Medium\\", "autorun")
        self.assertEqual((run.exit_code, run.boxes), (EXIT_OK, []))
        folder, unpacked = self.unpacked_folder("C:\\Kest Temp", [])
        self.assertEqual(w.read_file(folder + "\\" + PROGRAM_FILE), stand_in())
        self.assertEqual(w.read_file(folder + "\\" + UNPACKED_LIBRARY), library)
        source = w.short_path("C:\\Tessaly Medium\\kest\\win32\\")
        self.assertNotIn(" ", unpacked + source)
        self.assertEqual(w.standin_log(), [('%s\\%s "%s"' % (unpacked, PROGRAM_FILE, source),
                                            unpacked)])

    def test_uncompressed_program_starts_in_place(self):
        w = self.wine
        self.add_medium("C:\\Tessaly Medium\\")
        run = self.launch("C:\\Tessaly Medium\\")
        self.assertEqual((run.exit_code, run.boxes), (EXIT_OK, []))
        source = w.short_path("C:\\Tessaly Medium\\")
        self.assertEqual(w.standin_log(), [('%s%s "%s"' % (source, PROGRAM_FILE, source),
                                            source.rstrip("\\"))])

    def test_windows_xp_takes_the_xp_variant(self):
        w = self.wine
        w.pose_as("winxp")
        xp_program = stand_in() + b"XP variant"
        self.add_medium("C:\\Medium\\")
        w.put_file("C:\\Medium\\" + PROGRAM_FILE_XP, xp_program)
        run = self.launch("C:\\Medium\\")
        self.assertEqual((run.exit_code, run.boxes), (EXIT_OK, []))
        self.assertEqual(w.read_file("C:\\Medium\\" + PROGRAM_FILE), xp_program)
        self.assertFalse(w.exists("C:\\Medium\\" + PROGRAM_FILE_XP))
        self.assertEqual(w.standin_log(), [('C:\\Medium\\%s "C:\\Medium\\"' % PROGRAM_FILE,
                                            "C:\\Medium")])

    def test_autorun_with_a_newer_installed_program_starts_nothing(self):
        w = self.wine
        self.add_medium("C:\\Medium\\")
        self.install_product()
        self.set_age("C:\\Medium\\" + PROGRAM_FILE, 2020)
        self.set_age(INSTALLED_PROGRAM, 2024)
        run = self.launch("C:\\Medium\\", "AutoRun")
        self.assertEqual((run.exit_code, run.boxes), (EXIT_OK, []))
        self.assertEqual(w.standin_log(), [])
        # Without the argument the same medium starts its program.
        run = self.launch("C:\\Medium\\")
        self.assertEqual((run.exit_code, run.boxes), (EXIT_OK, []))
        self.assertEqual(w.standin_log(), [('C:\\Medium\\%s "C:\\Medium\\"' % PROGRAM_FILE,
                                            "C:\\Medium")])

    def test_modules_only_medium_hands_its_modules_to_the_installed_program(self):
        w = self.wine
        for name in ("Extra.801", COMMON_MODULE, "Lang.801", "install.801", "Notes.txt"):
            w.put_file("C:\\Medium\\" + name, "module")
        self.install_product()
        w.put_file("C:\\Tessaly Data\\" + MODULE_LIST, "C:\\Old\\Old.801\r\nSetup 2.0\r\n")
        run = self.launch("C:\\Medium\\")
        self.assertEqual((run.exit_code, run.boxes), (EXIT_OK, []))
        self.assertEqual(w.read_file("C:\\Tessaly Data\\" + MODULE_LIST),
                         b"C:\\Medium\\Extra.801\r\nSetup 2.0\r\n")
        self.assertEqual(w.listdir("C:\\Tessaly Data"), [MODULE_LIST])
        self.assertEqual(w.standin_log(), [('"%s"' % INSTALLED_PROGRAM, PROGRAM.rstrip("\\"))])

    def test_links_in_the_data_folder_lead_nowhere_during_a_hand_over(self):
        """AutoLoad.Lst, AutoLoad.Lst.new and $$$.$$$ in the data folder made symbolic or hard
        links (from Linux) to another user's files: those files stay as they were, and the
        modules are still handed over."""
        w = self.wine
        w.put_file("C:\\Medium\\Extra.801", "module")
        self.install_product()
        data = "C:\\Tessaly Data\\"
        names = (MODULE_LIST, MODULE_LIST + ".new", WRITE_TEST_FILE)
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
            self.assertEqual((run.exit_code, run.boxes), (EXIT_OK, []), kinds)
            for number in range(3):
                other = "C:\\Users\\Bob\\file%d.txt" % number
                self.assertEqual(w.read_file(other), b"Bob's file %d" % number, kinds)
                self.assertEqual(w.dos_attributes(other), attributes[number], kinds)
            self.assertFalse(os.path.islink(w.unix_path(data + MODULE_LIST)), kinds)
            self.assertEqual(w.read_file(data + MODULE_LIST),
                             b"C:\\Medium\\Extra.801\r\nSetup 2.0\r\n", kinds)
            # Only the links that were in the way of nothing stay: the partial list's name.
            self.assertEqual(sorted(w.listdir(data)), [MODULE_LIST, MODULE_LIST + ".new"], kinds)
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
                self.add_medium("C:\\Medium\\", PACKED_PROGRAM, data, PACKED_LIBRARY_COPIED,
                                compress(b"MZ"))
                run = self.launch("C:\\Medium\\")
                self.assertEqual(run.exit_code, EXIT_OK)
                self.assertBoxes(run, [WINEXEC_FAILED, (WINEXEC_CAPTION, INVALID_PROGRAM)])
                self.assertEqual(w.standin_log(), [])

    @unittest.skipUnless(shutil.which("mscompress"), "mscompress is missing")
    def test_kest_exe_in_the_temporary_folder_that_cannot_be_overwritten_is_left_alone(self):
        # lz32 cannot create a Kest.Exe that is in use or read-only (here: a folder of that
        # name, since Wine run by root writes read-only files all the same) and would
        # quietly write Kest.Ex_ beside it. The program goes into a folder of its own
        # instead, and the temporary folder keeps what it had.
        w = self.wine
        self.use_temp_folder("C:\\Kest Temp")
        w.put_folder("C:\\Kest Temp\\" + PROGRAM_FILE)
        self.add_medium("C:\\Medium\\", PACKED_PROGRAM, compress(stand_in() + b"new"),
                        PACKED_LIBRARY_COPIED, compress(b"MZ library " * 300))
        run = self.launch("C:\\Medium\\")
        self.assertEqual((run.exit_code, run.boxes), (EXIT_OK, []))
        folder, unpacked = self.unpacked_folder("C:\\Kest Temp", [PROGRAM_FILE])
        self.assertEqual(w.read_file(folder + "\\" + PROGRAM_FILE), stand_in() + b"new")
        self.assertEqual(w.listdir("C:\\Kest Temp\\" + PROGRAM_FILE), [])
        self.assertEqual(w.standin_log(), [('%s\\%s "C:\\Medium\\"' % (unpacked, PROGRAM_FILE),
                                            unpacked)])

    def test_module_list_that_cannot_replace_the_old_one_leaves_it_whole(self):
        # The new list is written beside its place; when it cannot take that place (here a
        # folder of the list's name holds it), it goes again and what was there stays.
        w = self.wine
        w.put_file("C:\\Medium\\Extra.801", "module")
        self.install_product()
        w.put_file("C:\\Tessaly Data\\" + MODULE_LIST + "\\keep.txt", "kept")
        run = self.launch("C:\\Medium\\")
        self.assertEqual(run.exit_code, EXIT_OK)
        self.assertBoxes(run, [(STARTUP_CAPTION, NO_MODULES + DOWNLOAD_HINT)])
        self.assertEqual(w.listdir("C:\\Tessaly Data"), [MODULE_LIST])
        self.assertEqual(w.listdir("C:\\Tessaly Data\\" + MODULE_LIST), ["keep.txt"])
        self.assertEqual(w.standin_log(), [('"%s"' % INSTALLED_PROGRAM, PROGRAM.rstrip("\\"))])

    def test_incomplete_medium_without_a_product(self):
        w = self.wine
        w.put_file("C:\\Medium\\Notes.txt", "notes")
        run = self.launch("C:\\Medium\\")
        self.assertEqual(run.exit_code, EXIT_OK)
        self.assertBoxes(run, [(STARTUP_CAPTION, files_missing("", "") + DOWNLOAD_HINT)])
        self.assertEqual(w.standin_log(), [])

    def test_kest_exe_that_is_no_program(self):
        w = self.wine
        self.add_medium("C:\\Medium\\", program_data=b"just text, no program\r\n")
        run = self.launch("C:\\Medium\\")
        self.assertEqual(run.exit_code, EXIT_OK)
        # The system's text keeps its insert; its line break became a blank.
        self.assertBoxes(run, [WINEXEC_FAILED, (WINEXEC_CAPTION, INVALID_PROGRAM)])
        self.assertEqual(w.standin_log(), [])


if __name__ == "__main__":
    unittest.main()
