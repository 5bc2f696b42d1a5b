// Removal of files and folders to the recycle bin: what goes, what stays, and the
// boxes and count of what stays.
#include <string>
#include <vector>

#include "KestDelTest.h"

namespace {

const char* const Top = "C:\\Apps\\Top";

class RemoveTest : public KestDelTest {};

TEST_F(RemoveTest, RemoveFileMovesOneFileOrReportsIt) {
    struct Case {
        const char* name;
        const char* path;
        bool refuse;
        bool expected;
        Strings boxes;
        Strings recycled;
    } cases[] = {
        {"missing file", "C:\\Apps\\gone.txt", false, true, {}, {}},
        {"folder of that name", "C:\\Apps\\Folder", false, true, {}, {}},
        {"empty path", "", false, true, {}, {}},
        {"movable file", "C:\\Apps\\a.txt", false, true, {}, {"C:\\Apps\\a.txt"}},
        {"hidden read-only file", "C:\\Apps\\h.txt", false, true, {}, {"C:\\Apps\\h.txt"}},
        {"refused file",
         "C:\\Apps\\a.txt",
         true,
         false,
         {"File Delete | File not deleted: C:\\Apps\\a.txt"},
         {}},
    };
    for (const Case& c : cases) {
        winsim::Machine& fresh = FreshMachine();
        fresh.AddFile("C:\\Apps\\a.txt", "a");
        fresh.AddFile("C:\\Apps\\h.txt", "h", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
        fresh.AddFolder("C:\\Apps\\Folder");
        if (c.refuse) {
            fresh.RefuseRecycle(c.path);
        }

        EXPECT_EQ(RemoveFile(c.path), c.expected) << c.name;

        const Strings boxes = BoxesOf(fresh);
        EXPECT_EQ(boxes, c.boxes) << c.name;
        EXPECT_EQ(State.FailureCount, static_cast<int>(c.boxes.size())) << c.name;
        EXPECT_EQ(fresh.recycled, c.recycled) << c.name;
        EXPECT_TRUE(fresh.Exists("C:\\Apps\\Folder")) << c.name;
        EXPECT_EQ(fresh.Exists("C:\\Apps\\a.txt"), c.recycled != Strings{"C:\\Apps\\a.txt"})
            << c.name;
    }
}

TEST_F(RemoveTest, RemoveEmptyFolderExemptsOnlyTheProgramFolderWithItsBackslash) {
    struct Case {
        const char* name;
        const char* path;
        bool fillFolder;   // a file in use keeps the folder from going
        bool refuseShell;  // the shell refuses the folder
        bool expected;
        bool folderLeft;
        Strings boxes;
    } cases[] = {
        {"missing folder", "C:\\Apps\\None", false, false, true, true, {}},
        {"folder moved with its content", "C:\\Apps\\Box", false, false, true, false, {}},
        {"empty folder the shell refuses", "C:\\Apps\\Box", false, true, true, false, {}},
        {"full folder that cannot go",
         "C:\\Apps\\Box",
         true,
         true,
         false,
         true,
         {"Directory Delete | Directory not deleted: C:\\Apps\\Box"}},
        {"program folder with backslash", "C:\\Apps\\Box\\", true, true, true, true, {}},
        {"program folder without backslash",
         "C:\\Apps\\Box",
         true,
         true,
         false,
         true,
         {"Directory Delete | Directory not deleted: C:\\Apps\\Box"}},
        {"program folder in other letters", "c:\\APPS\\box\\", true, true, true, true, {}},
    };
    for (const Case& c : cases) {
        winsim::Machine& fresh = FreshMachine();
        State.ProgramFolder = "C:\\Apps\\Box\\";
        fresh.AddFolder("C:\\Apps\\Box", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);
        if (c.fillFolder) {
            fresh.AddFile("C:\\Apps\\Box\\KestDel.Exe", "MZ");
            fresh.SetInUse("C:\\Apps\\Box\\KestDel.Exe");
        }
        if (c.refuseShell) {
            fresh.RefuseRecycle("C:\\Apps\\Box");
        }

        EXPECT_EQ(RemoveEmptyFolder(c.path), c.expected) << c.name;

        const Strings boxes = BoxesOf(fresh);
        EXPECT_EQ(boxes, c.boxes) << c.name;
        EXPECT_EQ(State.FailureCount, static_cast<int>(c.boxes.size())) << c.name;
        EXPECT_EQ(fresh.Exists("C:\\Apps\\Box"), c.folderLeft) << c.name;
        EXPECT_TRUE(fresh.Exists("C:\\Apps")) << c.name;
    }
}

TEST_F(RemoveTest, RemoveDirectoryTreeDoesNothingWithoutAFolder) {
    machine.AddFile("C:\\Apps\\file.txt", "x");
    for (const char* path : {"C:\\Apps\\None", "C:\\Apps\\file.txt", "C:\\Apps\\None\\"}) {
        EXPECT_TRUE(RemoveDirectoryTree(path)) << path;
    }
    EXPECT_TRUE(machine.Exists("C:\\Apps\\file.txt"));
    EXPECT_EQ(BoxesOf(machine), Strings{});
    EXPECT_TRUE(machine.recycled.empty());
}

TEST_F(RemoveTest, RemoveDirectoryTreeMovesAMovableFolderWhole) {
    machine.AddFile(std::string(Top) + "\\KestDel.Exe", "MZ");
    machine.AddFile(std::string(Top) + "\\Fonts\\a.ttf", "font");
    machine.AddFile(std::string(Top) + "\\Sub\\b.txt", "b");

    EXPECT_TRUE(RemoveDirectoryTree(Top));

    EXPECT_EQ(machine.recycled, Strings{Top});
    EXPECT_FALSE(machine.Exists(Top));
    EXPECT_EQ(BoxesOf(machine), Strings{});
}

// The shell refuses the folder as a whole: its entries go one by one, files first,
// each list in the order of the directory search, with the skip rules applied.
TEST_F(RemoveTest, RemoveDirectoryTreePassesOverWhatOthersOwn) {
    const std::string top = std::string(Top) + "\\";
    machine.AddFile(top + "z.txt", "z");
    machine.AddFile(top + ".profile", "dot");
    machine.AddFile(top + "kestdel.exe", "MZ");
    machine.AddFile(top + "boot.sys", "s", FILE_ATTRIBUTE_SYSTEM);
    machine.AddFile(top + "label", "v", 0x8);
    machine.AddFile(top + "hidden.txt", "h", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    machine.AddFile(top + "FONTS\\f.ttf", "font");
    machine.AddFile(top + ".cache\\c.txt", "c");
    machine.AddFile(top + "Sys\\s.txt", "s");
    machine.SetAttributes(top + "Sys", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM);
    machine.AddFile(top + "a.txt", "a");
    machine.SetEnumerationOrder(Top, {"z.txt", ".profile", "Sys", "kestdel.exe", "boot.sys",
                                      "label", "hidden.txt", "FONTS", ".cache", "a.txt"});
    machine.RefuseRecycle(Top);
    machine.RefuseRecycle(top + "Sys");

    EXPECT_FALSE(RemoveDirectoryTree(Top));

    EXPECT_EQ(machine.recycled,
              (Strings{top + "z.txt", top + "hidden.txt", top + "a.txt", top + "Sys\\s.txt"}));
    EXPECT_FALSE(machine.Exists(top + "Sys"));
    for (const char* kept :
         {".profile", "kestdel.exe", "boot.sys", "label", "FONTS\\f.ttf", ".cache\\c.txt"}) {
        EXPECT_TRUE(machine.Exists(top + kept)) << kept;
    }
    EXPECT_EQ(Boxes(), Strings{"Directory Delete | Directory not deleted: " + top});
    EXPECT_EQ(State.FailureCount, 1);
}

TEST_F(RemoveTest, RemoveDirectoryTreeTriesAStuckSubFolderTwice) {
    const std::string top = std::string(Top) + "\\";
    machine.AddFile(top + "Sub\\busy.dat", "b");
    machine.SetInUse(top + "Sub\\busy.dat");

    EXPECT_FALSE(RemoveDirectoryTree(Top));

    EXPECT_EQ(Boxes(), (Strings{
                           "File Delete | File not deleted: " + top + "Sub\\busy.dat",
                           "Directory Delete | Directory not deleted: " + top + "Sub\\",
                           "Directory Delete | Directory not deleted: " + top + "Sub",
                           "Directory Delete | Directory not deleted: " + top,
                       }));
    EXPECT_EQ(State.FailureCount, 4);
    EXPECT_TRUE(machine.Exists(top + "Sub\\busy.dat"));
}

// The ordinary run: the running uninstaller keeps its folder, silently, while a stuck
// sub-folder of it is still reported.
TEST_F(RemoveTest, RemoveDirectoryTreeOfTheProgramFolderIsSilentOnlyForItself) {
    const std::string program = "C:\\Program Files\\Tessaly\\";
    State.ProgramFolder = program;
    machine.AddFile(program + "KestDel.Exe", "MZ");
    machine.SetInUse(program + "KestDel.Exe");
    machine.AddFile(program + "Kest.Exe", "MZ");
    machine.AddFile(program + "Data\\x.dat", "x");

    EXPECT_TRUE(RemoveDirectoryTree(program));

    EXPECT_EQ(BoxesOf(machine), Strings{});
    EXPECT_EQ(State.FailureCount, 0);
    EXPECT_EQ(machine.List(program), Strings{"KestDel.Exe"});

    machine.AddFile(program + "Busy\\b.dat", "b");
    machine.SetInUse(program + "Busy\\b.dat");
    EXPECT_FALSE(RemoveDirectoryTree(program));
    EXPECT_EQ(State.FailureCount, 3);
    EXPECT_EQ(Boxes(), (Strings{"File Delete | File not deleted: " + program + "Busy\\b.dat",
                                "Directory Delete | Directory not deleted: " + program + "Busy\\",
                                "Directory Delete | Directory not deleted: " + program + "Busy"}));
}

// A junction or symbolic link is removed itself; what it points to is never entered.
TEST_F(RemoveTest, RemoveDirectoryTreeNeverDescendsIntoALink) {
    const std::string top = std::string(Top) + "\\";
    machine.AddFile(top + "Link\\precious.doc", "p");
    machine.SetAttributes(top + "Link", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    machine.AddFile(top + "a.txt", "a");
    machine.RefuseRecycle(Top);

    RemoveDirectoryTree(Top);
    RemoveDirectoryTree(top + "Link");

    EXPECT_TRUE(machine.Exists(top + "Link\\precious.doc"));
    EXPECT_EQ(machine.recycled, Strings{top + "a.txt"});
    EXPECT_EQ(machine.Lines("recycle: " + top + "Link"), Strings{});
    // The link is tried twice by its folder, like any stuck sub-folder, and once on its
    // own; the simulated link cannot be removed since it holds its target's content.
    EXPECT_EQ(Boxes(), (Strings{"Directory Delete | Directory not deleted: " + top + "Link\\",
                                "Directory Delete | Directory not deleted: " + top + "Link",
                                "Directory Delete | Directory not deleted: " + top,
                                "Directory Delete | Directory not deleted: " + top + "Link\\"}));
}

}  // namespace

namespace {

// A look-up that the platform refuses proves nothing: what may still be there is
// tried, and whatever stays is reported and counted, never passed over as missing.
TEST_F(RemoveTest, RefusedLookUpsAreNoProofOfAbsence) {
    const std::string program = "C:\\Program Files\\Tessaly\\";
    struct Case {
        const char* name;
        Strings failing;  // calls the platform refuses
        bool tree;        // the program folder's tree, or one file in it
        bool expected;
        Strings boxes;
        Strings left;  // what the program folder still holds
    } cases[] = {
        {"search refused, the file goes", {"FindFirstFileA"}, false, true, {}, {"KestDel.Exe"}},
        {"search and shell refused",
         {"FindFirstFileA", "SHFileOperationA"},
         false,
         false,
         {"File Delete | File not deleted: " + program + "a.txt"},
         {"KestDel.Exe", "a.txt"}},
        {"listing broken off",
         {"FindNextFileA"},
         true,
         false,
         {"Directory Delete | Directory not deleted: " + program},
         {"KestDel.Exe", "a.txt"}},
        {"attributes refused",
         {"GetFileAttributesA"},
         true,
         false,
         {"Directory Delete | Directory not deleted: " + program},
         {"KestDel.Exe", "a.txt"}},
        {"nothing refused", {}, true, true, {}, {"KestDel.Exe"}},
    };
    for (const Case& c : cases) {
        winsim::Machine& fresh = FreshMachine();
        fresh.AddFile(program + "KestDel.Exe", "MZ");
        fresh.SetInUse(program + "KestDel.Exe");
        fresh.AddFile(program + "a.txt", "a");
        State.ProgramFolder = program;
        fresh.faults.calls = c.failing;

        const bool removed = c.tree ? RemoveDirectoryTree(program) : RemoveFile(program + "a.txt");

        fresh.faults.calls.clear();
        EXPECT_EQ(removed, c.expected) << c.name;
        EXPECT_EQ(BoxesOf(fresh), c.boxes) << c.name;
        EXPECT_EQ(State.FailureCount, static_cast<int>(c.boxes.size())) << c.name;
        EXPECT_EQ(fresh.List("C:\\Program Files\\Tessaly"), c.left) << c.name;
        ExpectNothingOpen(fresh);
    }
}

// A link whose target is empty can be removed, and goes without a box.
TEST_F(RemoveTest, AnEmptyLinkIsRemoved) {
    const std::string top = std::string(Top) + "\\";
    machine.AddFolder(top + "Link");
    machine.SetAttributes(top + "Link", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);

    EXPECT_TRUE(RemoveDirectoryTree(top + "Link"));

    EXPECT_FALSE(machine.Exists(top + "Link"));
    EXPECT_EQ(machine.recycled, Strings{});
    EXPECT_EQ(Boxes(), Strings{});
}

}  // namespace
