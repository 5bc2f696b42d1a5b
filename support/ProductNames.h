// The names that several routines share: the registry keys the system reads and
// writes, the product's file names, and the captions of boxes shown from more than
// one place. Each is written here once.
#ifndef KEST_SUPPORT_PRODUCTNAMES_H
#define KEST_SUPPORT_PRODUCTNAMES_H

// ---------------------------------------------------------------------------
// Registry keys, as paths from their root.
#define KEST_WINDOWS_KEY "\\Software\\Microsoft\\Windows\\CurrentVersion"
#define KEST_WINDOWS_NT_KEY "\\Software\\Microsoft\\Windows NT\\CurrentVersion"

const char* const CurrentVersionKeyPath = KEST_WINDOWS_KEY;
const char* const UninstallKeyPath = KEST_WINDOWS_KEY "\\Uninstall\\Tessaly";
const char* const RunOnceKeyPath = KEST_WINDOWS_KEY "\\RunOnce";
const char* const ProductKeyPath = KEST_WINDOWS_KEY "\\Tessaly";
const char* const ShellFoldersKeyPath = KEST_WINDOWS_KEY "\\Explorer\\Shell Folders";
const char* const FontsKeyPath9x = KEST_WINDOWS_KEY "\\Fonts";
const char* const FontsKeyPathNT = KEST_WINDOWS_NT_KEY "\\Fonts";
const char* const ProfileListKeyPath = KEST_WINDOWS_NT_KEY "\\ProfileList";

#undef KEST_WINDOWS_KEY
#undef KEST_WINDOWS_NT_KEY

// ---------------------------------------------------------------------------
// The product and its files.
const char* const ProductName = "Tessaly";
const char* const ProgramFileName = "Kest.Exe";
const char* const UninstallerFileName = "KestDel.Exe";
const char* const FontFolderName = "Fonts";
const char* const FontListName = "Fonts.Reg";
const char* const ModuleListName = "AutoLoad.Lst";

// ---------------------------------------------------------------------------
// Captions of boxes shown from more than one place.
const char* const StartupCaption = "Check Startup";
const char* const UninstallCaption = "Uninstall";
const char* const FileDeleteCaption = "File Delete";
const char* const DirectoryDeleteCaption = "Directory Delete";

#endif
