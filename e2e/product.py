"""The product's own names and texts, written once for the Wine tests, the story, the demo and
the benchmark: each exactly as the system has it (support/, setup/, uninstall/, app/), and
where the tests install the product.
"""

# -- The product ------------------------------------------------------------------------------

PRODUCT_NAME = "Tessaly"
COMPANY_NAME = "Tessaly"
FILE_DESCRIPTION = "Tessaly Setup and Uninstall"  # in the version information

# -- Files ------------------------------------------------------------------------------------

LAUNCHER = "Setup.exe"
UNINSTALLER = "KestDel.Exe"
PROGRAM_FILE = "Kest.Exe"
PROGRAM_FILE_XP = "KestXP.Exe"
PACKED_PROGRAM = "Kest.Ex_"
PACKED_PROGRAM_XP = "KestXP.Ex_"
LIBRARY_FILE = "RApi.Dll"
PACKED_LIBRARY = "RApi.Dl_"
PACKED_LIBRARY_COPIED = "Rapi.Dl_"  # the spelling the launcher copies from
UNPACKED_LIBRARY = "Rapi.DLL"  # the name the launcher unpacks the library to
INSTALL_MESSAGES = "Install.Msg"
COMMON_MODULE = "Common.801"
MODULE_LIST = "AutoLoad.Lst"
FONT_LIST = "Fonts.Reg"
FONT_FOLDER = "Fonts"
FONT_FOLDER_LIST = FONT_FOLDER + "\\" + FONT_LIST  # a folder's font folder and its list
WRITE_TEST_FILE = "$$$.$$$"  # made and deleted to learn whether a folder is writable
INSTALL_FILES_FOLDER = "kest\\win32\\"  # the installation files' folder below the launcher's

# -- Registry (key paths from the root, without a leading backslash) --------------------------

CURRENT_VERSION = "Software\\Microsoft\\Windows\\CurrentVersion"
UNINSTALL_KEY = CURRENT_VERSION + "\\Uninstall\\Tessaly"
PRODUCT_KEY = CURRENT_VERSION + "\\Tessaly"
RUN_ONCE_KEY = CURRENT_VERSION + "\\RunOnce"
SHELL_FOLDERS_KEY = CURRENT_VERSION + "\\Explorer\\Shell Folders"
PROFILE_LIST_KEY = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList"
NT_FONTS_KEY = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"
FONTS_KEY_9X = CURRENT_VERSION + "\\Fonts"
# The values the uninstaller leaves in RunOnce to finish after a reboot.
RUN_ONCE_FILE = UNINSTALLER + "1"
RUN_ONCE_FOLDER = UNINSTALLER + "2"

# -- Exit codes -------------------------------------------------------------------------------

EXIT_OK = 0
EXIT_ERROR = 1  # a failure the system reported in a box

# -- Box captions -----------------------------------------------------------------------------

UNINSTALL_CAPTION = "Uninstall"
STARTUP_CAPTION = "Check Startup"
SETUP_ERROR_CAPTION = "Setup Error"
FILE_DELETE_CAPTION = "File Delete"
DIRECTORY_DELETE_CAPTION = "Directory Delete"
FONT_DELETE_CAPTION = "Font Delete"
COPY_CAPTION = "CopyFile"
WINEXEC_CAPTION = "WinExec"
WINDOWS_ERROR_CAPTION = "Windows Error: "  # followed by the failed call's name

# -- Box texts --------------------------------------------------------------------------------

CONFIRMATION = ("You do not have to uninstall the Tessaly program to install a new version. "
                "Uninstalling the program moves all the program files/folders to your recycle "
                "bin. REBOOT COMPUTER BEFORE UNISTALLING. Do you wish to uninstall the program?")
REBOOT = "Reboot computer to complete program uninstall."
COMPLETE = "Program uninstall complete."
PARTIAL = "Program Partially Deleted. Reboot computer and try to remove program again."
NO_BIN = "There is no recycle bin for "  # followed by the folder
FILE_NOT_DELETED = "File not deleted: "
DIRECTORY_NOT_DELETED = "Directory not deleted: "
FONT_NOT_DELETED = "Font not deleted: "
SOME_FONTS_NOT_DELETED = "Some fonts not deleted."
UNUSABLE_PATH = ("This program cannot run from its folder: the folder's name holds characters "
                 "that Windows would hand to the program changed. Copy the program into a "
                 "folder with a plain name and start it there.")
# Every box of the launcher's start-up checks ends so.
DOWNLOAD_HINT = (". Download latest program from www.tessaly.example/download/"
                 "ftp.tessaly.example/pub and reinstall.")
NO_MODULES = "Unable to Auto Install modules"
REGISTRY_ERROR = "Error accessing KEST Windows' Registry"
INVALID_PROGRAM = ("11-Executable file was invalid. Either it was not a Windows application or"
                   " there was an error in the .EXE image.")


def files_missing(display_name, program_folder):
    """The launcher's box text before the download hint when the installed product's files are
    missing: the registered name and program folder."""
    return "Program install files missing (2) <%s> <%s" % (display_name, program_folder)


# -- Where the tests install the product ------------------------------------------------------

PROGRAM_GROUP = "Tessaly Study"  # the start menu folder
SHORTCUT = PRODUCT_NAME + ".Lnk"
PROGRAM = "C:\\Program Files\\Tessaly\\"
DATA = "C:\\Tessaly Data\\"
EXTRA = "C:\\Tessaly Extra\\"
INSTALLED_UNINSTALLER = PROGRAM + UNINSTALLER
INSTALLED_PROGRAM = PROGRAM + PROGRAM_FILE
# The uninstall command as the product's setup registers it: the long program path, unquoted.
UNINSTALL_COMMAND = '%s "%s" %s "%s" "%s"' % (INSTALLED_UNINSTALLER, PROGRAM_GROUP,
                                              PRODUCT_NAME, DATA, EXTRA)
