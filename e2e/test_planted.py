"""Both modes against what someone else put where they run: a library planted beside the
program or in the temporary folder, links bearing the names the launcher unpacks to, and a
folder whose name reads as another path in the ANSI code page."""

import os
import shutil
import unittest

import test_setup
from harness import DLL_OVERRIDES, WineTestCase, compress, win_build_file
from product import (COMMON_MODULE, CONFIRMATION, EXIT_OK, INSTALLED_UNINSTALLER,
                     INSTALL_MESSAGES, LIBRARY_FILE, PACKED_LIBRARY, PACKED_LIBRARY_COPIED,
                     PACKED_PROGRAM, PRODUCT_NAME, PROGRAM, PROGRAM_FILE, STARTUP_CAPTION,
                     UNINSTALLER, UNINSTALL_CAPTION, UNPACKED_LIBRARY, UNUSABLE_PATH)

TEMP = "C:\\Kest Temp\\"
PLANTED_LOG = "C:\\planted.log"
# Libraries searched for as Windows searches them: beside the program first.
NATIVE_FIRST = DLL_OVERRIDES + ";lz32,version=n,b"
FULL_WIDTH_BACKSLASH = "\uff3c"
LIBRARY = b"MZ library " * 300


def planted():
    with open(win_build_file("planted.dll"), "rb") as f:
        return f.read()


class PlantedTest(WineTestCase):
    def setUp(self):
        super().setUp()
        self.wine.env["WINEDLLOVERRIDES"] = NATIVE_FIRST

    def add_medium(self, folder, packed):
        """The installation files, the program and library packed when `packed`."""
        w = self.wine
        if packed:
            w.put_file(folder + PACKED_PROGRAM, compress(test_setup.stand_in()))
            w.put_file(folder + PACKED_LIBRARY_COPIED, compress(LIBRARY))
        else:
            w.put_file(folder + PROGRAM_FILE, test_setup.stand_in())
            w.put_file(folder + LIBRARY_FILE, LIBRARY)
        for name in (INSTALL_MESSAGES, COMMON_MODULE, "LangEng.801"):
            w.put_file(folder + name, name)

    def link(self, win_path, target_win_path, data):
        """A symbolic link at `win_path` to a file of someone else's holding `data`."""
        w = self.wine
        target = w.put_file(target_win_path, data)
        path = w.unix_path(win_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        os.symlink(target, path)

    @unittest.skipUnless(shutil.which("mscompress"), "mscompress is missing")
    def test_lz32_beside_the_launcher_is_never_loaded(self):
        w = self.wine
        self.add_medium("C:\\Medium\\", packed=True)
        w.put_tool("Setup.exe", "C:\\Medium\\Setup.exe")
        w.put_file("C:\\Medium\\lz32.dll", planted())
        run = w.run('"C:\\Medium\\Setup.exe"', cwd="C:\\")
        self.assertEqual((run.exit_code, run.boxes), (EXIT_OK, []))
        self.assertEqual(len(w.standin_log()), 1)
        self.assertFalse(w.exists(PLANTED_LOG))

    def test_lz32_beside_the_uninstaller_is_never_loaded(self):
        w = self.wine
        w.put_tool("Setup.exe", INSTALLED_UNINSTALLER)
        w.put_file(PROGRAM + "lz32.dll", planted())
        run = w.run('"%s" %s %s' % (INSTALLED_UNINSTALLER, PRODUCT_NAME, PRODUCT_NAME),
                    answers=["Cancel"], cwd="C:\\")
        self.assertEqual(run.exit_code, EXIT_OK)
        self.assertBoxes(run, [(UNINSTALL_CAPTION, CONFIRMATION)])
        self.assertFalse(w.exists(PLANTED_LOG))

    # The program is unpacked into a folder the run makes: nothing put into the temporary
    # folder beforehand is written through, loaded or started.
    @unittest.skipUnless(shutil.which("mscompress"), "mscompress is missing")
    def test_program_is_unpacked_into_a_folder_of_its_own(self):
        w = self.wine
        for name in ("TEMP", "TMP"):
            w.reg_set("HKCU\\Environment", name, TEMP)
        w.put_file(TEMP + "version.dll", planted())
        self.link(TEMP + PROGRAM_FILE, "C:\\users\\Other\\thesis.doc", b"someone's thesis")
        self.link(TEMP + UNPACKED_LIBRARY, "C:\\users\\Other\\notes.doc", b"someone's notes")
        self.link(TEMP + PACKED_LIBRARY, "C:\\users\\Other\\letter.doc", b"someone's letter")
        before = set(w.listdir(TEMP))
        self.add_medium("C:\\Medium\\", packed=True)
        w.put_tool("Setup.exe", "C:\\Medium\\Setup.exe")
        run = w.run('"C:\\Medium\\Setup.exe"', cwd="C:\\")
        self.assertEqual((run.exit_code, run.boxes), (EXIT_OK, []))
        (made,) = set(w.listdir(TEMP)) - before
        unpacked = w.short_path(TEMP) + made
        self.assertEqual(w.standin_log(),
                         [('%s\\%s "C:\\Medium\\"' % (unpacked, PROGRAM_FILE), unpacked)])
        self.assertEqual(w.read_file(TEMP + made + "\\" + PROGRAM_FILE), test_setup.stand_in())
        self.assertEqual(w.read_file(TEMP + made + "\\" + UNPACKED_LIBRARY), LIBRARY)
        for name, data in (("thesis", b"someone's thesis"), ("notes", b"someone's notes"),
                           ("letter", b"someone's letter")):
            self.assertEqual(w.read_file("C:\\users\\Other\\%s.doc" % name), data)
        self.assertTrue(os.path.islink(w.unix_path(TEMP + PROGRAM_FILE)))
        self.assertFalse(w.exists(PLANTED_LOG))

    # A folder named "a", U+FF3C, "..", U+FF3C, "..", U+FF3C, "Evil" reads as a\..\..\Evil in
    # the ANSI code page (best fit): the launcher would take C:\Evil for its medium. Neither
    # mode goes on.
    def test_folder_name_that_reads_as_another_path_is_refused(self):
        w = self.wine
        self.add_medium("C:\\Evil\\", packed=False)
        folder = "C:\\Dl\\a%s..%s..%sEvil\\" % ((FULL_WIDTH_BACKSLASH,) * 3)
        for name, caption in (("Setup.exe", STARTUP_CAPTION), (UNINSTALLER, UNINSTALL_CAPTION)):
            with self.subTest(name=name):
                w.put_tool("Setup.exe", folder + name)
                run = w.run('"%s%s"' % (folder, name), cwd="C:\\", unicode=True)
                self.assertEqual(run.exit_code, EXIT_OK)
                self.assertBoxes(run, [(caption, UNUSABLE_PATH)])
                self.assertEqual(w.standin_log(), [])


if __name__ == "__main__":
    unittest.main()
