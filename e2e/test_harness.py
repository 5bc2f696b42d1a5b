"""The Wine harness itself: boxes answered and reported, the stand-in's record, machines apart."""

import unittest

from harness import PROBE, Box, HarnessError, WineTestCase, escape, quote_arguments
from product import INSTALLED_PROGRAM

MB_OK, MB_OKCANCEL, MB_YESNOCANCEL, MB_YESNO = 0, 1, 3, 4
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7


class BoxDriverTest(WineTestCase):
    def test_boxes_are_reported_and_answered_in_order(self):
        text = "First line\r\nC:\\Folder | second"
        cases = [
            # style, answers, expected buttons, button pressed, answer the program got
            (MB_OKCANCEL, ["Cancel"], ("OK", "Cancel"), "Cancel", IDCANCEL),
            (MB_YESNOCANCEL, ["No"], ("Yes", "No", "Cancel"), "No", IDNO),
            (MB_OKCANCEL, [], ("OK", "Cancel"), "OK", IDOK),
            (MB_YESNO, [], ("Yes", "No"), "Yes", IDYES),
        ]
        for style, answers, buttons, pressed, answer in cases:
            with self.subTest(style=style, answers=answers):
                result = self.wine.probe("MessageBox", "Caption", text, style, answers=answers)
                self.assertEqual(result.run.boxes, [Box("Caption", text, buttons)])
                self.assertEqual(result.run.presses, [pressed])
                self.assertEqual(result.value, str(answer))
                self.assertEqual(result.run.exit_code, 0)

    def test_boxes_of_started_programs_are_answered_and_waited_for(self):
        child_report = "C:\\kesttest\\out\\child.txt"
        child = "C:\\kesttest\\probe\\probe.exe %s MessageBox Child Question %d" % (
            child_report, MB_YESNO)
        result = self.wine.probe("WinExec", child, answers=["No"])
        self.assertGreater(int(result.value), 31, "WinExec failed")
        self.assertEqual(result.run.boxes, [Box("Child", "Question", ("Yes", "No"))])
        # The run ended only after the child had answered its box and written its report.
        self.assertEqual(self.wine.read_file(child_report), b"ok\r\n%d\r\n" % IDNO)

    def test_a_program_that_does_not_end_is_killed_and_reported(self):
        command = quote_arguments(
            [PROBE, "C:\\kesttest\\out\\hang.txt", "WinExec",
             escape("C:\\windows\\system32\\notepad.exe")])
        run = self.wine.run(command, timeout=5, check=False)
        self.assertTrue(run.timed_out, run.describe())
        self.assertIsNone(run.exit_code)
        with self.assertRaisesRegex(HarnessError, "timeout"):
            self.wine.run(command, timeout=5)
        # The machine goes on working afterwards.
        self.assertEqual(self.wine.probe_value("FileIsPresent", "C:\\kesttest\\out\\hang.txt"),
                         "true")

    def test_an_answer_without_its_button_is_a_harness_error(self):
        with self.assertRaisesRegex(HarnessError, "no button Retry"):
            self.wine.probe("MessageBox", "Caption", "Text", MB_OK, answers=["Retry"])


class StandInTest(WineTestCase):
    def test_stand_in_records_its_command_line_and_folder(self):
        self.wine.put_tool("kest.exe", INSTALLED_PROGRAM)
        self.wine.put_folder("C:\\Medium Folder")
        command = '"%s" "C:\\Medium Folder\\"' % INSTALLED_PROGRAM
        result = self.wine.run(command, cwd="C:\\Medium Folder")
        self.assertEqual((result.exit_code, result.boxes), (0, []))
        self.assertEqual(self.wine.standin_log(), [(command, "C:\\Medium Folder")])

    def test_dos_attributes_set_from_linux_are_seen_by_windows_programs(self):
        read_only, hidden, system, archive = 0x1, 0x2, 0x4, 0x20
        self.wine.put_file("C:\\Data\\plain.txt", b"x")
        self.wine.put_file("C:\\Data\\marked.txt", b"x")
        self.wine.set_dos_attributes("C:\\Data\\marked.txt", read_only | hidden | system)
        marked = self.wine.dos_attributes("C:\\Data\\marked.txt")
        self.assertEqual(marked & (read_only | hidden | system), read_only | hidden | system)
        plain = self.wine.dos_attributes("C:\\Data\\plain.txt")
        self.assertEqual(plain & (read_only | hidden | system), 0)
        self.assertEqual(plain & archive, archive)
        self.assertIsNone(self.wine.dos_attributes("C:\\Data\\missing.txt"))

    def test_machines_do_not_share_files_registry_or_trash(self):
        # Written here, looked for in the next test's machine below.
        self.assertFalse(self.wine.exists("C:\\standin.log"))
        self.assertFalse(self.wine.reg_exists("HKCU\\Software\\KestHarness"))
        self.assertEqual(self.wine.trash(), [])
        self.wine.put_file("C:\\standin.log", "x")
        self.wine.reg_set("HKCU\\Software\\KestHarness", "Left", "behind")
        self.wine.put_file("C:\\gone.txt", "x")
        self.assertEqual(self.wine.probe_value("MoveToRecycleBin", "C:\\gone.txt"), "true")

    def test_machines_do_not_share_files_registry_or_trash_again(self):
        self.test_machines_do_not_share_files_registry_or_trash()


if __name__ == "__main__":
    unittest.main()
