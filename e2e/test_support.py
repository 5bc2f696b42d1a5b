"""Support routines against the real platform (Wine), through probe.exe: recycle bin, registry
tree deletion, short paths, list files and the writable-folder test."""

import unittest

from harness import WineTestCase
from product import MODULE_LIST, UNINSTALL_KEY, WRITE_TEST_FILE

UNINSTALL_PATH = "\\" + UNINSTALL_KEY
READ_ONLY, HIDDEN, SYSTEM = 0x1, 0x2, 0x4


class RecycleBinTest(WineTestCase):
    def test_items_move_into_the_trash_whole(self):
        w = self.wine
        w.put_file("C:\\Data\\notes.txt", b"notes")
        w.put_file("C:\\Data\\locked.dat", b"locked")
        w.set_dos_attributes("C:\\Data\\locked.dat", READ_ONLY | HIDDEN | SYSTEM)
        w.put_file("C:\\Data\\Study Folder\\Inner\\deep.txt", b"deep")
        w.put_file("C:\\Data\\keep.txt", b"keep")
        cases = [
            # path handed over, name in the trash
            ("C:\\Data\\notes.txt", "notes.txt"),
            ("C:\\Data\\locked.dat", "locked.dat"),
            ("C:\\Data\\Study Folder\\", "Study Folder"),
        ]
        for path, name in cases:
            with self.subTest(path=path):
                self.assertEqual(w.probe_value("MoveToRecycleBin", path), "true")
                self.assertFalse(w.exists(path.rstrip("\\")))
                self.assertIn(name, w.trash())
        with open(w.trash_path("Study Folder") + "/Inner/deep.txt", "rb") as f:
            self.assertEqual(f.read(), b"deep")
        self.assertEqual(w.listdir("C:\\Data"), ["keep.txt"])

    def test_a_missing_item_is_reported_and_nothing_moves(self):
        w = self.wine
        w.put_file("C:\\Data\\keep.txt", b"keep")
        for path in ("C:\\Data\\missing.txt", "C:\\No Such Folder\\x.txt"):
            with self.subTest(path=path):
                self.assertEqual(w.probe_value("MoveToRecycleBin", path), "false")
        self.assertEqual(w.trash(), [])
        self.assertEqual(w.listdir("C:\\Data"), ["keep.txt"])


class RegistryTest(WineTestCase):
    def plant_tree(self, root, path):
        key = root + path
        values = [(key, "DisplayName", "Tessaly")]
        for sub in ("Modules", "Modules\\Lang", "Modules\\Lang\\Eng", "Modules\\Common", "Fonts"):
            values += [(key + "\\" + sub, "Name", sub), (key + "\\" + sub, "", "default")]
        self.wine.reg_set_values(values)
        return key

    def test_delete_registry_key_removes_the_whole_tree_under_one_root(self):
        w = self.wine
        machine = self.plant_tree("HKLM", UNINSTALL_PATH)
        user = self.plant_tree("HKCU", UNINSTALL_PATH)
        sibling = self.plant_tree("HKLM", UNINSTALL_PATH + "Data")
        sibling_tree = w.reg_tree(sibling)

        # The machine-wide flag picks the root; the per-user tree stays.
        result = w.probe("DeleteRegistryKey", UNINSTALL_PATH, 1)
        self.assertEqual((result.status, result.run.boxes), ("ok", []))
        self.assertIsNone(w.reg_tree(machine))
        self.assertEqual(len(w.reg_tree(user).keys), 6)

        # An empty path names no key: nothing goes. Without the flag, the user's root.
        self.assertEqual(w.probe_value("DeleteRegistryKey", "", 0), "")
        self.assertEqual(len(w.reg_tree(user).keys), 6)
        self.assertEqual(w.probe_value("DeleteRegistryKey", UNINSTALL_PATH, 0), "")
        self.assertIsNone(w.reg_tree(user))

        # Neighbours with a common prefix are untouched, and a missing key passes silently.
        result = w.probe("DeleteRegistryKey", UNINSTALL_PATH, 1)
        self.assertEqual((result.status, result.run.boxes), ("ok", []))
        after = w.reg_tree(sibling)
        self.assertEqual((after.keys, after.values), (sibling_tree.keys, sibling_tree.values))


class PathTest(WineTestCase):
    def test_short_path_is_the_platforms_short_form(self):
        w = self.wine
        w.put_file("C:\\Program Files\\Tessaly Reader\\Long File Name.dat", b"x")
        cases = [
            "C:\\Program Files",
            "C:\\Program Files\\Tessaly Reader\\Long File Name.dat",
            "C:\\Program Files\\Tessaly Reader\\",
            "C:\\windows",
        ]
        for path in cases:
            with self.subTest(path=path):
                platform = w.short_path(path)
                self.assertNotEqual(platform, "")
                self.assertEqual(w.probe_value("ShortPath", path), platform)
        self.assertNotEqual(w.short_path(cases[1]), cases[1])
        missing = "C:\\Missing Folder\\Some File.txt"
        self.assertEqual(w.short_path(missing), "")
        self.assertEqual(w.probe_value("ShortPath", missing), missing)

    def test_is_writable_folder_leaves_no_test_file(self):
        w = self.wine
        w.put_folder("C:\\Writable")
        w.put_file("C:\\Stale\\" + WRITE_TEST_FILE, b"old test file")
        w.set_dos_attributes("C:\\Stale\\" + WRITE_TEST_FILE, READ_ONLY | HIDDEN)
        w.put_file("C:\\Stale\\other.txt", b"other")
        cases = [
            # folder, answer, what the folder holds afterwards (None: it does not exist)
            ("C:\\Writable", "true", []),
            ("C:\\Writable\\", "true", []),
            ("C:\\Stale", "true", ["other.txt"]),
            ("C:\\Missing", "false", None),
            ("Q:\\", "false", None),
            ("\\\\server\\share", "false", None),
        ]
        for folder, answer, left in cases:
            with self.subTest(folder=folder):
                self.assertEqual(w.probe_value("IsWritableFolder", folder), answer)
                if left is not None:
                    self.assertEqual(w.listdir(folder), left)
        self.assertFalse(w.exists("C:\\Missing"))


class ListFileTest(WineTestCase):
    def test_load_list_file_splits_lines_and_drops_end_of_file_marks(self):
        w = self.wine
        cases = [
            # file content, lines loaded
            (b"one\r\ntwo\r\n", ["one", "two"]),
            (b"one\rtwo\nthree", ["one", "two", "three"]),
            (b"one\r\n\r\ntwo\n\n", ["one", "", "two", ""]),
            (b"C:\\Fonts\\a.ttf\tTab\r\n", ["C:\\Fonts\\a.ttf\tTab"]),
            (b"abc\x1a", ["abc"]),
            (b"one\r\ntwo\r\n\x1a", ["one", "two"]),
            (b"one\r\n\x1a\x1a\r\n\x1a", ["one"]),
            (b"\x1a", []),
            (b"", []),
            (b"a\x1ab\r\nc", ["a\x1ab", "c"]),
            (b"one\x00two\r\nthree", ["one"]),
        ]
        for number, (content, lines) in enumerate(cases):
            with self.subTest(content=content):
                name = "C:\\Lists\\list%d.lst" % number
                w.put_file(name, content)
                result = w.probe("LoadListFile", name)
                self.assertTrue(result.ok, result.status)
                self.assertEqual(result.lines, ["true"] + lines)

        # A missing file: false, and the list comes back empty.
        result = w.probe("LoadListFile", "C:\\Lists\\missing.lst")
        self.assertEqual(result.lines, ["false"])

    def test_save_list_file_writes_crlf_lines_that_load_back(self):
        w = self.wine
        w.put_folder("C:\\Lists")
        cases = [
            # name given, lines, file written
            ("C:\\Lists\\" + MODULE_LIST, ["C:\\Data\\Lang Eng.801", "", "x\ty", "Français.801"],
             "C:\\Lists\\" + MODULE_LIST),
            ("C:\\Lists\\empty.lst", [], "C:\\Lists\\empty.lst"),
            ("C:\\Lists\\a<b>c.lst", ["one"], "C:\\Lists\\a[b]c.lst"),
        ]
        for name, lines, written in cases:
            with self.subTest(name=name):
                result = w.probe("SaveListFile", name, *lines)
                self.assertTrue(result.ok, result.status)
                expected = "".join(line + "\r\n" for line in lines).encode("cp1252")
                self.assertEqual(w.read_file(written), expected)
                self.assertEqual(w.probe("LoadListFile", written).lines, ["true"] + lines)
        self.assertEqual(w.listdir("C:\\Lists"), [MODULE_LIST, "a[b]c.lst", "empty.lst"])

        # A file that cannot be created: the error names it and gives the system's reason.
        result = w.probe("SaveListFile", "C:\\No Folder\\x.lst", "line")
        self.assertTrue(result.status.startswith(
            'error: FileCreateError: Cannot create file "C:\\No Folder\\x.lst". '), result.status)
        self.assertFalse(w.exists("C:\\No Folder"))

        # Saving over an existing, longer file leaves only the new lines.
        w.put_file("C:\\Lists\\" + MODULE_LIST, b"old line one\r\nold line two\r\nthree\r\n")
        w.probe("SaveListFile", "C:\\Lists\\" + MODULE_LIST, "new")
        self.assertEqual(w.read_file("C:\\Lists\\" + MODULE_LIST), b"new\r\n")


if __name__ == "__main__":
    unittest.main()
