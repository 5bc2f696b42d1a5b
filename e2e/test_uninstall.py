"""The uninstaller under Wine: the real Setup.exe installed as KestDel.Exe in a realistic
program folder, started with the uninstall command the product's setup registers."""

import os
import re
import shutil
import subprocess
import unittest

from harness import WineTestCase
from product import (COMPLETE, CONFIRMATION, DATA, DIRECTORY_DELETE_CAPTION,
                     DIRECTORY_NOT_DELETED, EXIT_ERROR, EXIT_OK, EXTRA, FILE_DELETE_CAPTION,
                     FILE_NOT_DELETED, FONT_DELETE_CAPTION, FONT_FOLDER_LIST, FONT_LIST,
                     FONT_NOT_DELETED, INSTALLED_UNINSTALLER, NO_BIN, PARTIAL, PRODUCT_NAME,
                     PROFILE_LIST_KEY, PROGRAM, PROGRAM_GROUP, REBOOT, RUN_ONCE_FILE,
                     RUN_ONCE_FOLDER, RUN_ONCE_KEY, SHORTCUT, SOME_FONTS_NOT_DELETED, UNINSTALLER,
                     UNINSTALL_CAPTION, UNINSTALL_COMMAND, UNINSTALL_KEY)

DESKTOP = "C:\\users\\Public\\Desktop\\"
PROGRAMS = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\"
USER_PROGRAMS = "C:\\users\\root\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\"
RUNONCE_KEY = "HKLM\\" + RUN_ONCE_KEY
PROFILE_LIST = "HKLM\\" + PROFILE_LIST_KEY

# Without a usable trash Wine asks before it deletes for good; it draws the text itself.
CONFIRM_FILE = ("Confirm file deletion", "")
CONFIRM_FOLDER = ("Confirm folder deletion", "")

# What the product's setup leaves in the program folder, besides the two programs.
PROGRAM_FILES = {
    "Books\\Bible\\Chapter 1\\text.801": b"book",
    "Books\\readme.txt": b"read me",
    "hidden.dat": b"hidden",
    "readonly.dat": b"read-only",
    "system.dat": b"system",
    "Fonts\\KestSans.ttf": b"font",
    FONT_FOLDER_LIST: ('"Kest Sans (TrueType)" "%sFonts\\KestSans.ttf"\r\n' % PROGRAM),
}
DATA_FILES = {
    "Notes\\2024\\notes.txt": b"notes",
    "Fonts\\DataFont.ttf": b"font",
    FONT_FOLDER_LIST: ('"Data Font (TrueType)" "%sFonts\\DataFont.ttf"\r\n' % DATA),
}


def is_question(box):
    """A question before deleting for good: the shell's, or the uninstaller's own."""
    return ((box.caption, box.text) in (CONFIRM_FILE, CONFIRM_FOLDER) or
            # the uninstaller's own
            (box.caption == DIRECTORY_DELETE_CAPTION and box.text.startswith(NO_BIN)))


class UninstallTest(WineTestCase):
    def install(self, read_only=True):
        """The product as its setup leaves it, registered under both roots."""
        w = self.wine
        w.put_tool("Setup.exe", INSTALLED_UNINSTALLER)
        w.put_tool("kest.exe", PROGRAM + "kest.exe")
        for name, data in PROGRAM_FILES.items():
            w.put_file(PROGRAM + name, data)
        w.set_dos_attributes(PROGRAM + "hidden.dat", 0x2)
        if read_only:
            w.set_dos_attributes(PROGRAM + "readonly.dat", 0x1)
        w.set_dos_attributes(PROGRAM + "system.dat", 0x4)
        for name, data in DATA_FILES.items():
            w.put_file(DATA + name, data)
        w.put_file(EXTRA + "extra.dat", b"extra")
        for programs in (PROGRAMS, USER_PROGRAMS):
            w.put_file(programs + PROGRAM_GROUP + "\\" + SHORTCUT, b"link")
            w.put_file(programs + PROGRAM_GROUP + "\\Help\\Help.Lnk", b"link")
            w.put_file(programs + "Other\\Other.Lnk", b"link")
        w.put_file(DESKTOP + SHORTCUT, b"link")
        w.put_file(DESKTOP + "Other.Lnk", b"link")
        for root in ("HKCU", "HKLM"):
            w.reg_set(root + "\\" + UNINSTALL_KEY, "UninstallString", UNINSTALL_COMMAND)
            w.reg_set(root + "\\" + UNINSTALL_KEY, "DisplayName", PRODUCT_NAME)
            w.reg_set(root + "\\" + UNINSTALL_KEY + "\\Modules", "Bible", "1")

    def break_trash(self):
        """A file where the trash folder belongs: Wine then deletes instead of moving."""
        trash = os.path.join(self.wine.env["XDG_DATA_HOME"], "Trash")
        with open(trash, "w") as f:
            f.write("not a folder")

    def uninstall(self, answers=("OK",), command=None):
        """Runs the uninstall command registered for all users, or another one."""
        if command is None:
            tree = self.wine.reg_tree("HKLM\\" + UNINSTALL_KEY)
            command = tree.values[("", "UninstallString")]
        return self.wine.run(command, answers=list(answers), cwd="C:\\")

    def run_once(self):
        tree = self.wine.reg_tree(RUNONCE_KEY)
        values = tree.values if tree is not None else {}
        return (values.get(("", RUN_ONCE_FILE)), values.get(("", RUN_ONCE_FOLDER)))

    def assertOthersStay(self):
        w = self.wine
        self.assertTrue(w.exists(DESKTOP + "Other.Lnk"))
        self.assertTrue(w.exists(PROGRAMS + "Other\\Other.Lnk"))
        self.assertTrue(w.exists("C:\\windows\\Fonts"))

    def assertBoxesBesideQuestions(self, run, expected):
        """The boxes of a run without the questions before deleting for good (the shell's
        and the uninstaller's own), and at least one such question."""
        self.assertTrue([b for b in run.boxes if is_question(b)], run.describe())
        others = [(b.caption, b.text) for b in run.boxes if not is_question(b)]
        self.assertEqual(others, expected, run.describe())

    def assertUninstallKeys(self, present):
        for root in ("HKCU", "HKLM"):
            self.assertEqual(self.wine.reg_exists(root + "\\" + UNINSTALL_KEY), present, root)

    def test_ok_moves_the_product_to_the_recycle_bin(self):
        w = self.wine
        self.install()
        run = self.uninstall()
        self.assertEqual(run.exit_code, EXIT_OK)
        self.assertBoxes(run, [(UNINSTALL_CAPTION, CONFIRMATION), (UNINSTALL_CAPTION, COMPLETE)])
        self.assertEqual(w.standin_log(),
                         [('"%skest.exe" /unregserver' % PROGRAM, "C:\\")])
        # Wine moves the program folder whole, the running KestDel.Exe with it.
        for gone in (PROGRAM, DATA, EXTRA, DESKTOP + SHORTCUT, PROGRAMS + PROGRAM_GROUP):
            self.assertFalse(w.exists(gone), gone)
        trash = w.trash()
        for name in ("Tessaly", "Tessaly Data", "Tessaly Extra", SHORTCUT,
                     PROGRAM_GROUP):
            self.assertIn(name, trash)
        moved = w.trash_path("Tessaly")
        for name in (UNINSTALLER, "kest.exe", "Books/Bible/Chapter 1/text.801", "hidden.dat",
                     "readonly.dat", "system.dat"):
            self.assertTrue(os.path.exists(os.path.join(moved, name)), name)
        # Each Fonts.Reg went first, then its font folder.
        self.assertFalse(os.path.exists(os.path.join(moved, "Fonts")))
        self.assertEqual(len([n for n in trash if n.startswith(FONT_LIST)]), 2)
        self.assertEqual(len([n for n in trash if n.startswith("Fonts") and
                              not n.startswith(FONT_LIST)]), 2)
        self.assertOthersStay()
        self.assertUninstallKeys(False)
        self.assertEqual(self.run_once(), (None, None))

    def test_without_a_recycle_bin_the_running_uninstaller_keeps_its_folder(self):
        w = self.wine
        # Without a recycle bin Wine deletes, and it cannot delete a read-only file.
        self.install(read_only=False)
        self.break_trash()
        run = self.uninstall()
        self.assertBoxesBesideQuestions(run, [(UNINSTALL_CAPTION, CONFIRMATION),
                                              (UNINSTALL_CAPTION, REBOOT)])
        # The system file is passed over like the running uninstaller; only a move of the
        # whole folder would have taken it along.
        self.assertEqual(w.listdir(PROGRAM), [UNINSTALLER, "system.dat"])
        for gone in (DATA, EXTRA, DESKTOP + SHORTCUT, PROGRAMS + PROGRAM_GROUP):
            self.assertFalse(w.exists(gone), gone)
        self.assertOthersStay()
        self.assertUninstallKeys(False)
        uninstaller = w.short_path(INSTALLED_UNINSTALLER)
        folder = w.short_path(PROGRAM)
        self.assertNotIn(" ", uninstaller + folder)
        self.assertEqual(self.run_once(), ('cmd.exe /c "Del %s"' % uninstaller,
                                           'cmd.exe /c "Rd  %s"' % folder))

    def test_a_file_that_stays_is_reported_and_nothing_is_deleted_from_the_registry(self):
        w = self.wine
        self.install()
        self.break_trash()
        run = self.uninstall()
        self.assertBoxesBesideQuestions(run, [
            (UNINSTALL_CAPTION, CONFIRMATION),
            (FILE_DELETE_CAPTION, FILE_NOT_DELETED + "%sreadonly.dat" % PROGRAM),
            (UNINSTALL_CAPTION, PARTIAL),
        ])
        self.assertEqual(w.listdir(PROGRAM), [UNINSTALLER, "readonly.dat", "system.dat"])
        self.assertFalse(w.exists(DATA))
        self.assertUninstallKeys(True)
        self.assertEqual(self.run_once(), (None, None))

    def test_windows_98_schedules_bare_restart_commands(self):
        w = self.wine
        self.install(read_only=False)
        self.break_trash()
        w.pose_as("win98")
        run = self.uninstall()
        self.assertBoxesBesideQuestions(run, [(UNINSTALL_CAPTION, CONFIRMATION),
                                              (UNINSTALL_CAPTION, REBOOT)])
        # Outside the NT family the start menu is the user's own.
        self.assertFalse(w.exists(USER_PROGRAMS + PROGRAM_GROUP))
        self.assertTrue(w.exists(PROGRAMS + PROGRAM_GROUP))
        self.assertEqual(self.run_once(), ("Del " + w.short_path(INSTALLED_UNINSTALLER),
                                           "Rd  " + w.short_path(PROGRAM)))

    def test_cancel_leaves_everything_as_it_was(self):
        w = self.wine
        self.install()
        run = self.uninstall(answers=("Cancel",))
        self.assertEqual(run.exit_code, EXIT_OK)
        self.assertBoxes(run, [(UNINSTALL_CAPTION, CONFIRMATION)])
        self.assertEqual(w.standin_log(), [])
        self.assertEqual(w.trash(), [])
        for name in PROGRAM_FILES:
            self.assertTrue(w.exists(PROGRAM + name), name)
        for name in DATA_FILES:
            self.assertTrue(w.exists(DATA + name), name)
        for kept in (EXTRA + "extra.dat", DESKTOP + SHORTCUT, PROGRAMS + PROGRAM_GROUP):
            self.assertTrue(w.exists(kept), kept)
        self.assertUninstallKeys(True)
        self.assertEqual(self.run_once(), (None, None))

    def test_a_hostile_command_line_removes_nothing_of_the_system(self):
        """A wildcard shortcut name and system folders as data and further folder."""
        w = self.wine
        self.install()
        command = '"%s" "%s" * C:\\windows "%s"' % (INSTALLED_UNINSTALLER, PROGRAM_GROUP, DESKTOP)
        run = self.uninstall(command=command)
        self.assertBoxes(run, [
            (UNINSTALL_CAPTION, CONFIRMATION),
            (FILE_DELETE_CAPTION, FILE_NOT_DELETED + "%s*.Lnk" % DESKTOP),
            ("ShortCuts", "Unable to remove program shortcuts. Remove manually."),
            (DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + DESKTOP),
            (DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + "C:\\windows"),
            (UNINSTALL_CAPTION, PARTIAL),
        ])
        self.assertOthersStay()
        self.assertTrue(w.exists(DESKTOP + SHORTCUT))
        self.assertTrue(w.exists("C:\\windows\\system32"))
        self.assertFalse(w.exists(PROGRAM))
        self.assertUninstallKeys(True)

    def test_a_font_list_line_outside_its_font_folder_removes_nothing(self):
        """A Fonts.Reg that cannot be moved (immutable) names a system file."""
        w = self.wine
        self.install()
        w.put_file("C:\\windows\\system32\\kestx.dll", b"system")
        w.put_file(DATA + "Fonts\\" + FONT_LIST,
                   '"Data Font (TrueType)" "%sFonts\\DataFont.ttf"\r\n'
                   '"Evil" "C:\\windows\\system32\\kestx.dll"\r\n' % DATA)
        font_list = w.unix_path(DATA + "Fonts\\" + FONT_LIST)
        subprocess.run(["chattr", "+i", font_list], check=True)
        self.addCleanup(subprocess.run, ["chattr", "-R", "-i", w.home, w.unix_path(DATA)],
                        stderr=subprocess.DEVNULL)
        # The shell cannot recycle the list and asks to delete it for good: No.
        run = self.uninstall(answers=("OK", "No"))
        self.assertEqual([(b.caption, b.text) for b in run.boxes[:6]], [
            (UNINSTALL_CAPTION, CONFIRMATION),
            CONFIRM_FILE,
            (FILE_DELETE_CAPTION, FILE_NOT_DELETED + DATA + FONT_FOLDER_LIST),
            (FILE_DELETE_CAPTION, FILE_NOT_DELETED + "C:\\windows\\system32\\kestx.dll"),
            (FONT_DELETE_CAPTION, FONT_NOT_DELETED + "Evil"),
            (FONT_DELETE_CAPTION, SOME_FONTS_NOT_DELETED),
        ], run.describe())
        # The list that stays cannot be written back either: the run ends there.
        self.assertEqual(len(run.boxes), 7, run.describe())
        self.assertEqual(run.boxes[-1][0], "Application Error")
        self.assertRegex(run.boxes[-1][1], r"^Exception FileCreateError in module %s at "
                         r"[0-9A-F]{8}\.\r\nCannot create file \"%s\"\. "
                         % (re.escape(UNINSTALLER), re.escape(DATA + FONT_FOLDER_LIST)))
        self.assertEqual(run.exit_code, EXIT_ERROR)
        self.assertEqual(w.read_file("C:\\windows\\system32\\kestx.dll"), b"system")
        self.assertIn("DataFont.ttf", w.trash())
        self.assertUninstallKeys(True)

    def test_a_font_list_written_back_never_writes_through_a_link(self):
        """The data fonts' Fonts.Reg and font cannot be moved (immutable), so the list is
        written back; Fonts.Reg.new is a symbolic, then a hard link to another user's file."""
        w = self.wine
        other = "C:\\Users\\Bob\\thesis.txt"
        fonts = DATA + "Fonts\\"
        self.addCleanup(subprocess.run, ["chattr", "-R", "-i", w.home, w.unix_path(DATA)],
                        stderr=subprocess.DEVNULL)
        for kind in ("symlink", "link"):
            # The run before ends with the list it could not write back: its data folder
            # stays, immutable files and all.
            subprocess.run(["chattr", "-R", "-i", w.home, w.unix_path(DATA)],
                           stderr=subprocess.DEVNULL)
            subprocess.run(["rm", "-rf", w.unix_path(DATA)], check=True)
            self.install()
            w.put_file(other, b"chapter 1")
            getattr(os, kind)(w.unix_path(other), w.unix_path(fonts + FONT_LIST + ".new"))
            for name in (FONT_LIST, "DataFont.ttf"):
                subprocess.run(["chattr", "+i", w.unix_path(fonts + name)], check=True)
            run = self.uninstall(answers=("OK", "No", "OK", "No"))
            self.assertEqual([(b.caption, b.text) for b in run.boxes[:7]], [
                (UNINSTALL_CAPTION, CONFIRMATION),
                CONFIRM_FILE,
                (FILE_DELETE_CAPTION, FILE_NOT_DELETED + fonts + FONT_LIST),
                CONFIRM_FILE,
                (FILE_DELETE_CAPTION, FILE_NOT_DELETED + "%sDataFont.ttf" % fonts),
                (FONT_DELETE_CAPTION, FONT_NOT_DELETED + "Data Font (TrueType)"),
                (FONT_DELETE_CAPTION, SOME_FONTS_NOT_DELETED),
            ], run.describe())
            self.assertEqual(w.read_file(other), b"chapter 1", kind)
            self.assertFalse(os.path.islink(w.unix_path(other)), kind)

    def test_restart_commands_name_a_folder_with_an_ampersand_whole(self):
        """Installed in C:\\R&D\\Study\\: the written restart commands, run through Wine's
        cmd.exe, remove the uninstaller and nothing else (no "Del C:\\R")."""
        w = self.wine
        program = "C:\\R&D\\Study\\"
        w.put_tool("Setup.exe", program + UNINSTALLER)
        w.put_file("C:\\R", b"another program's file")
        w.put_file("C:\\D\\Study\\" + UNINSTALLER, b"another program's file")
        self.break_trash()
        run = self.uninstall(command='"%s%s" Menu Short' % (program, UNINSTALLER))
        self.assertBoxesBesideQuestions(run, [(UNINSTALL_CAPTION, CONFIRMATION),
                                              (UNINSTALL_CAPTION, REBOOT)])
        self.assertEqual(w.listdir(program), [UNINSTALLER])
        uninstaller = w.short_path(program + UNINSTALLER)
        folder = w.short_path(program)
        self.assertIn("&", uninstaller)
        commands = self.run_once()
        self.assertEqual(commands, ('cmd.exe /c "Del "%s""' % uninstaller,
                                    'cmd.exe /c "Rd  "%s""' % folder))
        for command in commands:
            w.run(command, cwd="C:\\")
        self.assertFalse(w.exists(program + UNINSTALLER))
        self.assertFalse(w.exists(program))
        self.assertEqual(w.read_file("C:\\R"), b"another program's file")
        self.assertEqual(w.read_file("C:\\D\\Study\\" + UNINSTALLER), b"another program's file")

    def test_other_names_and_insides_of_system_folders_are_refused(self):
        """A second drive letter for C: (a second dosdevices link) and a system folder's
        insides, as the further and the data folder."""
        w = self.wine
        self.install()
        os.symlink("../drive_c", os.path.join(w.prefix, "dosdevices", "y:"))
        w.put_file("C:\\users\\Public\\Desktop\\keep.txt", b"keep")
        for data, extra in (("Y:\\windows", "Y:\\users\\Public\\Desktop\\"),
                            ("C:\\windows\\system32\\drivers", "Y:\\windows\\Fonts")):
            w.put_tool("Setup.exe", INSTALLED_UNINSTALLER)  # gone with its folder after a run
            command = '"%s" "%s" %s "%s" "%s"' % (INSTALLED_UNINSTALLER, PROGRAM_GROUP,
                                                  PRODUCT_NAME, data, extra)
            run = self.uninstall(command=command)
            boxes = [(b.caption, b.text) for b in run.boxes]
            self.assertIn((DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + extra), boxes)
            self.assertIn((DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + data), boxes)
            self.assertEqual(boxes[-1], (UNINSTALL_CAPTION, PARTIAL))
        self.assertTrue(w.exists("C:\\windows\\system32\\drivers"))
        self.assertTrue(w.exists("C:\\windows\\Fonts"))
        self.assertTrue(w.exists("C:\\users\\Public\\Desktop\\keep.txt"))
        self.assertNotIn("windows", w.trash())

    def test_other_users_shell_folders_and_the_windows_folders_insides_are_refused(self):
        """Another user's profile in the profile list: its documents and desktop as the data
        and the further folder; then a folder inside the Windows folder as the further one."""
        w = self.wine
        self.install()
        w.reg_set(PROFILE_LIST + "\\S-1-5-21-0-0-0-1001", "ProfileImagePath", "C:\\users\\bob")
        kept = {"C:\\users\\bob\\Documents\\thesis.txt": b"thesis",
                "C:\\users\\bob\\Desktop\\note.txt": b"note",
                "C:\\windows\\inf\\kest.inf": b"inf"}
        for path, data in kept.items():
            w.put_file(path, data)
        for data, extra in (("C:\\users\\bob\\Documents\\", "C:\\users\\bob\\Desktop"),
                            (DATA, "C:\\windows\\inf")):
            w.put_tool("Setup.exe", INSTALLED_UNINSTALLER)  # gone with its folder after a run
            command = '"%s" "%s" %s "%s" "%s"' % (INSTALLED_UNINSTALLER, PROGRAM_GROUP,
                                                  PRODUCT_NAME, data, extra)
            run = self.uninstall(command=command)
            boxes = [(b.caption, b.text) for b in run.boxes]
            refused = [extra] if data == DATA else [extra, data]
            self.assertEqual([b for b in boxes if b[0] == DIRECTORY_DELETE_CAPTION],
                             [(DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + r)
                              for r in refused],
                             run.describe())
            self.assertEqual(boxes[-1], (UNINSTALL_CAPTION, PARTIAL))
            self.assertEqual(run.exit_code, EXIT_OK)
            self.assertUninstallKeys(True)
        for path, data in kept.items():
            self.assertEqual(w.read_file(path), data, path)
        self.assertFalse(w.exists(DATA))
        for name in ("bob", "Documents", "Desktop", "inf"):
            self.assertNotIn(name, w.trash())

    def test_deleting_for_good_is_the_users_choice(self):
        """Without a usable trash the uninstaller asks; a data folder the user keeps is
        reported once and not walked."""
        w = self.wine
        w.put_tool("Setup.exe", INSTALLED_UNINSTALLER)
        w.put_file(DATA + "Notes\\2024\\notes.txt", b"notes")
        w.put_file(DATA + "notes.txt", b"notes")
        self.break_trash()
        # Yes for the program folder, No for the data folder.
        run = self.uninstall(answers=("OK", "Yes", "No"),
                             command='"%s" Menu Short "%s"' % (INSTALLED_UNINSTALLER, DATA))
        self.assertBoxesBesideQuestions(run, [
            (UNINSTALL_CAPTION, CONFIRMATION),
            (DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + DATA),
            (UNINSTALL_CAPTION, PARTIAL),
        ])
        self.assertEqual(run.presses[-3:], ["No", "OK", "OK"])
        self.assertEqual([b.text for b in run.boxes if is_question(b)],
                         [NO_BIN + p + ". Delete this folder and everything in it for good?"
                          for p in (PROGRAM[:-1], DATA[:-1])])
        for name in ("Notes\\2024\\notes.txt", "notes.txt"):
            self.assertTrue(w.exists(DATA + name), name)

    def test_a_link_stays_and_its_target_is_untouched(self):
        """Unix symbolic links, which Wine shows as links (0x410): one inside the data folder
        and one given as the further folder; without a usable trash the shell deletes."""
        w = self.wine
        self.install(read_only=False)
        w.put_file("C:\\Precious\\precious.doc", b"precious")
        os.symlink("../Precious", w.unix_path(DATA + "Link"))
        os.symlink("Precious", w.unix_path("C:\\Tessaly Link"))
        self.break_trash()
        command = '"%s" "%s" %s "%s" "C:\\Tessaly Link\\"' % (
            INSTALLED_UNINSTALLER, PROGRAM_GROUP, PRODUCT_NAME, DATA)
        run = self.uninstall(command=command)
        self.assertBoxesBesideQuestions(run, [
            (UNINSTALL_CAPTION, CONFIRMATION),
            (DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + "C:\\Tessaly Link\\"),
            (DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + "%sLink" % DATA),
            (DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + DATA),
            (UNINSTALL_CAPTION, PARTIAL),
        ])
        self.assertEqual(w.read_file("C:\\Precious\\precious.doc"), b"precious")
        self.assertTrue(os.path.islink(w.unix_path(DATA + "Link")))
        self.assertTrue(os.path.islink(w.unix_path("C:\\Tessaly Link")))
        self.assertFalse(w.exists(DATA + "Notes"))
        self.assertUninstallKeys(True)


    # Folders that other users may write ----------------------------------------------------

    def hostile_data(self, files):
        """The program and a data folder holding `files` (Unix names), the uninstall command
        naming only the data folder, and another user's folder beside it."""
        w = self.wine
        w.put_tool("Setup.exe", INSTALLED_UNINSTALLER)
        w.put_file("C:\\Victim\\thesis.txt", b"thesis")
        for name, data in files.items():
            path = os.path.join(w.unix_path(DATA), name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
        return '"%s" Menu Short "%s"' % (INSTALLED_UNINSTALLER, DATA)

    def assertVictimUntouched(self):
        self.assertEqual(self.wine.read_file("C:\\Victim\\thesis.txt"), b"thesis")
        self.assertNotIn("thesis.txt", self.wine.trash())

    def test_a_best_fit_name_is_never_acted_on(self):
        """A name with U+FF3C, which Wine lists with backslashes: it stays, reported once,
        and its folder does not go whole."""
        w = self.wine
        odd = "x\uff3c..\uff3c..\uff3cVictim\uff3cthesis.txt"
        command = self.hostile_data({odd: b"odd", "notes.txt": b"notes"})
        run = self.uninstall(command=command)
        self.assertBoxes(run, [
            (UNINSTALL_CAPTION, CONFIRMATION),
            (FILE_DELETE_CAPTION, FILE_NOT_DELETED + "%sx\\..\\..\\Victim\\thesis.txt" % DATA),
            (DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + DATA),
            (UNINSTALL_CAPTION, PARTIAL),
        ])
        self.assertVictimUntouched()
        self.assertEqual(os.listdir(w.unix_path(DATA)), [odd])
        self.assertIn("notes.txt", w.trash())

    @unittest.skipUnless(shutil.which("chattr"), "files cannot be made immutable here")
    def test_a_folder_swapped_while_a_box_waits_is_not_entered(self):
        """While the box of a file that stays waits, the data folder is renamed aside and a
        link to another user's folder takes its name."""
        w = self.wine
        command = self.hostile_data({"a.txt": b"a", "x\uff3cy.txt": b"odd"})
        w.put_file("C:\\Victim\\b.txt", b"b")
        stuck = w.unix_path(DATA + "a.txt")
        subprocess.run(["chattr", "+i", stuck], check=True)
        self.addCleanup(subprocess.run, ["chattr", "-R", "-i", w.home, w.folder],
                        stderr=subprocess.DEVNULL)
        data = w.unix_path(DATA).rstrip("/")

        def swap(box, place):
            if box.text == FILE_NOT_DELETED + "%sa.txt" % DATA:
                os.rename(data, data + " aside")
                os.symlink(w.unix_path("C:\\Victim"), data)

        run = w.run(command, answers=["OK"], cwd="C:\\", on_box=swap)
        # Wine's shell, failing to move the file, offers to delete it for good: Yes.
        self.assertBoxes(run, [
            (UNINSTALL_CAPTION, CONFIRMATION),
            CONFIRM_FILE,
            (FILE_DELETE_CAPTION, FILE_NOT_DELETED + "%sa.txt" % DATA),
            (FILE_DELETE_CAPTION, FILE_NOT_DELETED + "%sx\\y.txt" % DATA),
            (DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + DATA),
            (UNINSTALL_CAPTION, PARTIAL),
        ])
        self.assertVictimUntouched()
        self.assertEqual(w.read_file("C:\\Victim\\b.txt"), b"b")
        self.assertNotIn("b.txt", w.trash())

    def test_a_font_folder_that_is_a_link_is_left_alone(self):
        """The data folder's Fonts a link to another program's font folder."""
        w = self.wine
        command = self.hostile_data({"notes.txt": b"notes"})
        w.put_file("C:\\Other\\Fonts\\o.ttf", b"font")
        w.put_file("C:\\Other\\Fonts\\" + FONT_LIST, '"Other" "C:\\Other\\Fonts\\o.ttf"\r\n')
        os.symlink(w.unix_path("C:\\Other\\Fonts"), w.unix_path(DATA + "Fonts"))
        run = self.uninstall(command=command)
        self.assertBoxes(run, [
            (UNINSTALL_CAPTION, CONFIRMATION),
            (DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + "%sFonts\\" % DATA),
            (DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + DATA),
            (UNINSTALL_CAPTION, PARTIAL),
        ])
        self.assertEqual(sorted(w.listdir("C:\\Other\\Fonts")), [FONT_LIST, "o.ttf"])
        self.assertTrue(os.path.islink(w.unix_path(DATA + "Fonts")))
        self.assertIn("notes.txt", w.trash())
        self.assertNotIn(FONT_LIST, w.trash())

    def test_a_link_planted_while_the_question_waits_is_not_followed(self):
        """Without a usable trash the uninstaller asks before it checks and deletes; a link
        put into the data folder while that question waits stays, its target untouched."""
        w = self.wine
        command = self.hostile_data({"Notes/n.txt": b"notes"})
        self.break_trash()

        def plant(box, place):
            if box.text.startswith(NO_BIN + DATA[:-1]):
                os.symlink(w.unix_path("C:\\Victim"), w.unix_path(DATA + "Notes\\Link"))

        run = w.run(command, answers=["OK"], cwd="C:\\", on_box=plant)
        self.assertBoxesBesideQuestions(run, [
            (UNINSTALL_CAPTION, CONFIRMATION),
            (DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + "%sNotes\\Link" % DATA),
            (DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + "%sNotes\\" % DATA),
            (DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + "%sNotes" % DATA),
            (DIRECTORY_DELETE_CAPTION, DIRECTORY_NOT_DELETED + DATA),
            (UNINSTALL_CAPTION, PARTIAL),
        ])
        self.assertEqual(w.read_file("C:\\Victim\\thesis.txt"), b"thesis")
        self.assertFalse(w.exists(DATA + "Notes\\n.txt"))


if __name__ == "__main__":
    unittest.main()
