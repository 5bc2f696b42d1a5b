"""Start-up of Setup.exe under Wine: the machine-wide product key, the mode chosen from the
program's own path, argument 0 and the exit code."""

import unittest

from harness import WineTestCase
from product import (COMMON_MODULE, CONFIRMATION, DOWNLOAD_HINT, EXIT_ERROR, EXIT_OK,
                     INSTALLED_UNINSTALLER, INSTALL_MESSAGES, LIBRARY_FILE, PRODUCT_KEY, PROGRAM,
                     PROGRAM_FILE, REGISTRY_ERROR, SETUP_ERROR_CAPTION, STARTUP_CAPTION,
                     UNINSTALL_CAPTION, UNINSTALL_KEY, files_missing)

PRODUCT = "HKLM\\" + PRODUCT_KEY
# Neighbours that start-up must leave alone.
SIBLING_KEY = PRODUCT + "Data"
PER_USER_KEY = "HKCU\\" + PRODUCT_KEY

# The box's text up to the address, which may change.
MISSING_FILES = files_missing("", "") + DOWNLOAD_HINT[:DOWNLOAD_HINT.index("www.")]

MEDIUM = "C:\\Medium"
PROGRAM_FOLDER = PROGRAM.rstrip("\\")


class StartUpTest(WineTestCase):
    def plant_keys(self):
        self.wine.reg_set_values(
            [(key + sub, name, value)
             for key in (PRODUCT, SIBLING_KEY, PER_USER_KEY)
             for sub, name, value in (("", "Version", "8.01"),
                                      ("\\Modules", "Common", COMMON_MODULE),
                                      ("\\Modules\\Lang\\Eng", "File", "LangEng.801"),
                                      ("\\Fonts", "", "default value"))])
        self.assertEqual(self.wine.reg_tree(PRODUCT).keys,
                         {"", "Modules", "Modules\\Lang", "Modules\\Lang\\Eng", "Fonts"})

    def assertLauncherBox(self, run):
        self.assertEqual(len(run.boxes), 1, run.describe())
        caption, text, buttons = run.boxes[0]
        self.assertEqual((caption, buttons), (STARTUP_CAPTION, ("OK",)))
        self.assertTrue(text.startswith(MISSING_FILES), text)
        self.assertTrue(text.endswith(" and reinstall."), text)

    def assertCancelledUninstall(self, run, program):
        self.assertEqual([(b.caption, b.text, b.buttons) for b in run.boxes],
                         [(UNINSTALL_CAPTION, CONFIRMATION, ("OK", "Cancel"))])
        self.assertTrue(self.wine.exists(program), "a cancelled uninstall removed itself")
        self.assertEqual(self.wine.trash(), [])

    def test_every_start_removes_the_machine_wide_product_key(self):
        launcher = MEDIUM + "\\Setup.exe"
        uninstaller = INSTALLED_UNINSTALLER
        self.wine.put_tool("Setup.exe", launcher)
        self.wine.put_tool("Setup.exe", uninstaller)
        cases = [
            # Windows posed as (None: the prefix's own), program, answers
            (None, launcher, []),
            ("win98", launcher, []),
            ("winxp", launcher, []),
            ("win98", uninstaller, ["Cancel"]),
            ("winxp", uninstaller, ["Cancel"]),
            ("win10", uninstaller, ["Cancel"]),
        ]
        for version, program, answers in cases:
            with self.subTest(version=version, program=program):
                if version:
                    self.wine.pose_as(version)
                self.plant_keys()
                run = self.wine.run('"%s"' % program, answers=answers, cwd=MEDIUM)
                self.assertEqual(run.exit_code, EXIT_OK, run.describe())
                if program == launcher:
                    self.assertLauncherBox(run)
                else:
                    self.assertCancelledUninstall(run, program)
                self.assertFalse(self.wine.reg_exists(PRODUCT))
                self.assertTrue(self.wine.reg_exists(SIBLING_KEY + "\\Modules\\Lang\\Eng"))
                self.assertTrue(self.wine.reg_exists(PER_USER_KEY + "\\Modules\\Lang\\Eng"))

    def test_mode_follows_the_programs_own_path(self):
        cases = [
            # where the program is, how it is started (relative to its folder or not), mode
            ("C:\\Program Files\\Tessaly\\KESTDEL.EXE", "KESTDEL.EXE", UNINSTALL_CAPTION),
            ("C:\\Program Files\\Tessaly\\kestdelete.exe", None, UNINSTALL_CAPTION),
            ("C:\\KestDel Files\\Setup.exe", "Setup.exe", UNINSTALL_CAPTION),
            ("C:\\Medium\\Kest-Del.Exe", None, STARTUP_CAPTION),
            ("C:\\Medium\\Install.exe", "Install.exe", STARTUP_CAPTION),
        ]
        for path, relative_name, caption in cases:
            with self.subTest(path=path):
                self.wine.put_tool("Setup.exe", path)
                folder = path.rsplit("\\", 1)[0]
                command = relative_name or '"%s"' % path
                answers = ["Cancel"] if caption == UNINSTALL_CAPTION else []
                run = self.wine.run(command + " autorun", answers=answers, cwd=folder)
                self.assertEqual(run.exit_code, EXIT_OK, run.describe())
                if caption == UNINSTALL_CAPTION:
                    self.assertCancelledUninstall(run, path)
                else:
                    self.assertLauncherBox(run)

    def test_argument_0_is_the_full_path_of_the_running_program(self):
        folder = "C:\\Program Files\\Tessaly Tools"
        program = folder + "\\probe.exe"
        self.wine.put_tool("probe.exe", program)
        short = self.wine.short_path(program)
        self.assertNotEqual(short, program)
        cases = [
            # how the program is named on its command line, current folder
            ("probe.exe", folder),
            ("Tessaly Tools\\probe.exe", "C:\\Program Files"),
            (short, "C:\\"),
        ]
        for name, cwd in cases:
            with self.subTest(name=name):
                result = self.wine.probe("ProgramArgument", 0, exe=name, cwd=cwd)
                self.assertTrue(result.ok, result.status)
                self.assertEqual(result.value, program)

    def test_an_error_no_routine_handles_ends_the_run_with_exit_code_1(self):
        """Under "autorun" a per-user uninstall entry of the wrong type is read outside any
        guarded block."""
        w = self.wine
        w.put_tool("Setup.exe", MEDIUM + "\\Setup.exe")
        w.put_tool("kest.exe", MEDIUM + "\\" + PROGRAM_FILE)
        for name in (LIBRARY_FILE, INSTALL_MESSAGES, COMMON_MODULE, "LangEng.801"):
            w.put_file(MEDIUM + "\\" + name, b"data")
        result = w.probe("RegSetDword", "HKCU\\" + UNINSTALL_KEY,
                         "UninstallString", 7)
        self.assertTrue(result.ok, result.status)

        run = w.run('"%s\\Setup.exe" autorun' % MEDIUM, cwd=MEDIUM)

        self.assertEqual(run.exit_code, EXIT_ERROR, run.describe())
        self.assertEqual(len(run.boxes), 2, run.describe())
        self.assertEqual((run.boxes[0].caption, run.boxes[0].text),
                         (SETUP_ERROR_CAPTION, REGISTRY_ERROR))
        self.assertEqual(run.boxes[1].caption, "Application Error")
        self.assertRegex(run.boxes[1].text,
                         r"^Exception RegistryError in module Setup\.exe at [0-9A-F]{8}\.\s*"
                         r"Invalid data type for 'UninstallString'\.\s*$")
        self.assertEqual(w.standin_log(), [])


if __name__ == "__main__":
    unittest.main()
