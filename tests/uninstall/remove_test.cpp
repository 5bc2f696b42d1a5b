// Removal of files and folders to the recycle bin: what goes, what stays, and the
// boxes and count of what stays.
#include <string>
#include <vector>

#include "KestDelRemove.h"
#include "KestDelTest.h"
#include "WinSysFiles.h"

namespace {

const char* const Top = "C:\\Apps\\Top";

class RemoveTest : public KestDelTest {};

// The removal judge: each rule on what may be removed, as one table of what is known of
// a candidate and the answer.
TEST_F(RemoveTest, TheJudgeAnswersEveryRuleFromTheFactsAlone) {
    using S = RemovalSubject;
    using V = Verdict;
    using R = RemovalReason;
    const DWORD none = INVALID_FILE_ATTRIBUTES;
    const DWORD file = FILE_ATTRIBUTE_ARCHIVE;
    const DWORD folder = FILE_ATTRIBUTE_DIRECTORY;
    const DWORD link = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    FolderIdentity listed;
    listed.known = true;
    listed.volume = 7;
    listed.indexLow = 42;
    FolderIdentity other = listed;
    other.indexLow = 43;
    enum Extra { Plain, Unknown, Protected, Repeated, Outside, Program, Same, Changed };
    struct Case {
        const char* name;
        S subject;
        const char* path;
        const char* entry;  // listed name or shortcut name
        DWORD attributes;
        Extra extra;
        V verdict;
        R reason;
    } cases[] = {
        {"missing file", S::File, "C:\\A\\a.txt", "", none, Plain, V::NothingToDo, R::Missing},
        {"empty file path", S::File, "", "", none, Plain, V::NothingToDo, R::Missing},
        {"file", S::File, "C:\\A\\a.txt", "", file, Plain, V::Remove, R::None},
        {"folder named as a file", S::File, "C:\\A", "", folder, Plain, V::NothingToDo,
         R::NotAFile},
        {"file unknown: tried", S::File, "C:\\A\\a.txt", "", none, Unknown, V::Remove, R::Unknown},
        {"wildcard", S::File, "C:\\A\\*.txt", "", file, Plain, V::Stays, R::Wildcard},
        {"DOS wildcard", S::File, "C:\\A\\a<", "", file, Plain, V::Stays, R::Wildcard},
        {"font file elsewhere", S::FontFile, "C:\\W\\x.ttf", "", file, Outside, V::Stays,
         R::OutsideFontFolder},
        {"font file", S::FontFile, "C:\\F\\x.ttf", "", file, Plain, V::Remove, R::None},
        {"shortcut with a separator", S::Shortcut, "C:\\D\\..\\x.Lnk", "..\\x", file, Plain,
         V::Stays, R::ShortcutName},
        {"shortcut with a bar", S::Shortcut, "C:\\D\\a|b.Lnk", "a|b", file, Plain, V::Stays,
         R::ShortcutName},
        {"shortcut", S::Shortcut, "C:\\D\\T.Lnk", "T", file, Plain, V::Remove, R::None},
        {"missing network folder", S::Folder, "\\\\srv\\d", "", none, Protected, V::NothingToDo,
         R::Missing},
        {"protected folder", S::Folder, "C:\\Windows", "", folder, Protected, V::Stays,
         R::Protected},
        {"folder unknown", S::Folder, "C:\\A", "", none, Unknown, V::Stays, R::Unknown},
        {"folder is a file", S::Folder, "C:\\A", "", file, Plain, V::NothingToDo, R::NotAFolder},
        {"folder is a link", S::Folder, "C:\\A", "", link, Plain, V::Stays, R::Link},
        {"folder swapped", S::Folder, "C:\\A", "", folder, Changed, V::Stays, R::ChangedFolder},
        {"folder as listed", S::Folder, "C:\\A", "", folder, Same, V::Remove, R::None},
        {"folder", S::Folder, "C:\\A", "", folder, Plain, V::Remove, R::None},
        {"best-fit path", S::ListedEntry, "", "x\\..\\..\\V\\t.txt", file, Plain, V::Stays,
         R::OddName},
        {"unmappable", S::ListedEntry, "", "a?b", file, Plain, V::Stays, R::OddName},
        {"colon", S::ListedEntry, "", "a:b", folder, Plain, V::Stays, R::OddName},
        {"slash", S::ListedEntry, "", "a/b", file, Plain, V::Stays, R::OddName},
        {"dots as a file", S::ListedEntry, "", "..", file, Plain, V::Stays, R::OddName},
        {"dots again", S::ListedEntry, "", "..", folder, Repeated, V::Stays, R::OddName},
        {"name again", S::ListedEntry, "", "a.txt", file, Repeated, V::Stays, R::OddName},
        {"parent", S::ListedEntry, "", "..", folder, Plain, V::PassOver, R::DotName},
        {"dot name", S::ListedEntry, "", ".profile", file, Plain, V::PassOver, R::DotName},
        {"font folder", S::ListedEntry, "", "FONTS", folder, Plain, V::PassOver, R::FontFolder},
        {"font folder as a link", S::ListedEntry, "", "Fonts", link, Plain, V::PassOver,
         R::FontFolder},
        {"file named Fonts", S::ListedEntry, "", "Fonts", file, Plain, V::Remove, R::None},
        {"link", S::ListedEntry, "", "Sub", link, Plain, V::Stays, R::Link},
        {"sub-folder", S::ListedEntry, "", "Sub", folder, Plain, V::Enter, R::None},
        {"system folder", S::ListedEntry, "", "Sys", folder | FILE_ATTRIBUTE_SYSTEM, Plain,
         V::Enter, R::None},
        {"system file", S::ListedEntry, "", "b.sys", FILE_ATTRIBUTE_SYSTEM, Plain, V::PassOver,
         R::SystemFile},
        {"volume label", S::ListedEntry, "", "label", 0x8, Plain, V::PassOver, R::SystemFile},
        {"uninstaller", S::ListedEntry, "", "kestdel.exe", file, Plain, V::PassOver,
         R::Uninstaller},
        {"listed file", S::ListedEntry, "", "a.txt", file | FILE_ATTRIBUTE_HIDDEN, Plain, V::Remove,
         R::None},
        {"dot-named link in a tree", S::TreeEntry, "", ".cache", link, Plain, V::Stays, R::Link},
        {"odd name in a tree", S::TreeEntry, "", "x\\y", file, Plain, V::Stays, R::OddName},
        {"parent in a tree", S::TreeEntry, "", "..", folder, Plain, V::PassOver, R::DotName},
        {"folder in a tree", S::TreeEntry, "", "Fonts", folder, Plain, V::Enter, R::None},
        {"file in a tree", S::TreeEntry, "", "KestDel.Exe", file, Plain, V::Remove, R::None},
        {"program folder left", S::FolderLeft, "C:\\P\\", "", folder, Program, V::KeptSilently,
         R::ProgramFolder},
        {"folder left", S::FolderLeft, "C:\\P", "", folder, Plain, V::Stays, R::NotRemoved},
    };
    for (const Case& c : cases) {
        RemovalFacts facts;
        facts.subject = c.subject;
        facts.path = c.path;
        facts.name = c.entry;
        facts.attributes = c.attributes;
        facts.attributesKnown = c.extra != Unknown;
        facts.isProtected = c.extra == Protected;
        facts.isRepeatedName = c.extra == Repeated;
        facts.isInFontFolder = c.extra != Outside;
        facts.isProgramFolder = c.extra == Program;
        if (c.extra == Same || c.extra == Changed) {
            facts.expected = listed;
            facts.identity = c.extra == Same ? listed : other;
        }
        const RemovalDecision decision = JudgeRemoval(facts);
        EXPECT_EQ(static_cast<int>(decision.verdict), static_cast<int>(c.verdict)) << c.name;
        EXPECT_EQ(static_cast<int>(decision.reason), static_cast<int>(c.reason)) << c.name;
    }
}

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
        CleanMachine fresh(Administrator());
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
    // The folder C:\Apps\Box as a case sets it up: held, a file in use in it keeps it
    // from going and the shell refuses it.
    enum : unsigned { Empty = 0, FileInUse = 1, ShellRefuses = 2, Held = FileInUse | ShellRefuses };
    // What comes of it: gone; left alone, the answer true; or not deleted, reported.
    enum Outcome { Gone, LeftAlone, NotDeleted };
    const std::string notDeleted = "Directory Delete | Directory not deleted: C:\\Apps\\Box";
    struct Case {
        const char* name;
        const char* path;
        unsigned folder;
        Outcome outcome;
        Strings boxes;
    } cases[] = {
        {"missing folder", "C:\\Apps\\None", Empty, LeftAlone, {}},
        {"folder moved with its content", "C:\\Apps\\Box", Empty, Gone, {}},
        {"empty folder the shell refuses", "C:\\Apps\\Box", ShellRefuses, Gone, {}},
        {"full folder that cannot go", "C:\\Apps\\Box", Held, NotDeleted, {notDeleted}},
        {"program folder with backslash", "C:\\Apps\\Box\\", Held, LeftAlone, {}},
        {"program folder without backslash", "C:\\Apps\\Box", Held, NotDeleted, {notDeleted}},
        {"program folder in other letters", "c:\\APPS\\box\\", Held, LeftAlone, {}},
    };
    for (const Case& c : cases) {
        CleanMachine fresh(Administrator());
        State.ProgramFolder = "C:\\Apps\\Box\\";
        fresh.AddFolder("C:\\Apps\\Box", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);
        if (c.folder & FileInUse) {
            fresh.AddFile("C:\\Apps\\Box\\KestDel.Exe", "MZ");
            fresh.SetInUse("C:\\Apps\\Box\\KestDel.Exe");
        }
        if (c.folder & ShellRefuses) {
            fresh.RefuseRecycle("C:\\Apps\\Box");
        }

        EXPECT_EQ(RemoveEmptyFolder(c.path), c.outcome != NotDeleted) << c.name;

        const Strings boxes = BoxesOf(fresh);
        EXPECT_EQ(boxes, c.boxes) << c.name;
        EXPECT_EQ(State.FailureCount, static_cast<int>(c.boxes.size())) << c.name;
        EXPECT_EQ(fresh.Exists("C:\\Apps\\Box"), c.outcome != Gone) << c.name;
        EXPECT_TRUE(fresh.Exists("C:\\Apps")) << c.name;
    }
}

TEST_F(RemoveTest, RemoveDirectoryTreeDoesNothingWithoutAFolder) {
    machine.AddFile("C:\\Apps\\file.txt", "x");
    // An empty name (no data or further folder given) names nothing to do.
    for (const char* path : {"C:\\Apps\\None", "C:\\Apps\\file.txt", "C:\\Apps\\None\\", ""}) {
        EXPECT_TRUE(RemoveDirectoryTree(path)) << path;
        EXPECT_TRUE(RemoveEmptyFolder(path)) << path;
    }
    EXPECT_EQ(State.FailureCount, 0);
    EXPECT_TRUE(machine.Exists("C:\\Apps\\file.txt"));
    EXPECT_EQ(BoxesOf(machine), Strings{});
    EXPECT_TRUE(machine.recycled.empty());
}

// Also when its listing is refused: the shell moves it without entering it.
TEST_F(RemoveTest, RemoveDirectoryTreeMovesAMovableFolderWhole) {
    for (bool listingRefused : {false, true}) {
        CleanMachine fresh(Administrator());
        fresh.AddFile(std::string(Top) + "\\KestDel.Exe", "MZ");
        fresh.AddFile(std::string(Top) + "\\Fonts\\a.ttf", "font");
        fresh.AddFile(std::string(Top) + "\\Sub\\b.txt", "b");
        if (listingRefused) {
            fresh.faults.plan.calls = {"FindFirstFileA"};
        }

        EXPECT_TRUE(RemoveDirectoryTree(Top)) << listingRefused;

        EXPECT_EQ(fresh.recycled, Strings{Top}) << listingRefused;
        EXPECT_FALSE(fresh.Exists(Top)) << listingRefused;
        EXPECT_EQ(BoxesOf(fresh), Strings{}) << listingRefused;
    }
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
    EXPECT_EQ(BoxesOf(machine), Strings{"Directory Delete | Directory not deleted: " + top});
    EXPECT_EQ(State.FailureCount, 1);
}

TEST_F(RemoveTest, RemoveDirectoryTreeTriesAStuckSubFolderTwice) {
    const std::string top = std::string(Top) + "\\";
    machine.AddFile(top + "Sub\\busy.dat", "b");
    machine.SetInUse(top + "Sub\\busy.dat");

    EXPECT_FALSE(RemoveDirectoryTree(Top));

    EXPECT_EQ(BoxesOf(machine), (Strings{
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
    EXPECT_EQ(BoxesOf(machine),
              (Strings{"File Delete | File not deleted: " + program + "Busy\\b.dat",
                       "Directory Delete | Directory not deleted: " + program + "Busy\\",
                       "Directory Delete | Directory not deleted: " + program + "Busy"}));
}

// A junction or symbolic link is never entered, never handed to the shell and never
// removed: the platform would empty or delete what it leads to. It stays, reported and
// counted once, and the folder holding it is walked rather than handed over whole.
TEST_F(RemoveTest, RemoveDirectoryTreeLeavesLinksAlone) {
    const std::string top = std::string(Top) + "\\";
    const std::string target = "C:\\Users\\reader\\Precious\\";
    machine.AddFile(target + "precious.doc", "p");
    machine.AddFile(top + "a.txt", "a");
    machine.AddFile(top + "Sub\\b.txt", "b");
    machine.AddLink(top + "Sub\\Link", target);
    machine.AddLink("C:\\Apps\\Alone", target);
    // Without a recycle bin the shell would delete for good, through the link.
    machine.recycleBinFull = true;
    machine.boxAnswers = {IDYES, IDYES, IDYES, IDYES};

    EXPECT_FALSE(RemoveDirectoryTree(Top));
    EXPECT_FALSE(RemoveDirectoryTree("C:\\Apps\\Alone\\"));
    EXPECT_FALSE(RemoveEmptyFolder("C:\\Apps\\Alone"));

    EXPECT_TRUE(machine.Exists(target + "precious.doc"));
    EXPECT_EQ(machine.Attributes(top + "Sub\\Link"),
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_EQ(machine.Attributes("C:\\Apps\\Alone"),
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_FALSE(machine.Exists(top + "a.txt"));
    EXPECT_FALSE(machine.Exists(top + "Sub\\b.txt"));
    EXPECT_EQ(
        BoxesOf(machine),
        (Strings{
            "Confirm file deletion | Are you sure you want to delete '" + top + "a.txt'?",
            "Confirm file deletion | Are you sure you want to delete '" + top + "Sub\\b.txt'?",
            "Directory Delete | Directory not deleted: " + top + "Sub\\Link",
            "Directory Delete | Directory not deleted: " + top + "Sub\\",
            "Directory Delete | Directory not deleted: " + top + "Sub",
            "Directory Delete | Directory not deleted: " + top,
            "Directory Delete | Directory not deleted: C:\\Apps\\Alone\\",
            "Directory Delete | Directory not deleted: C:\\Apps\\Alone",
        }));
    EXPECT_EQ(State.FailureCount, 6);
}

// What the shell cannot recycle it deletes for good only when the user agrees; a tree
// the user keeps is reported and counted once and not walked to ask again for each
// file in it. A folder that was to be empty but is not is asked about as a tree; an
// empty one is left to the shell's own question.
TEST_F(RemoveTest, DeletingForGoodIsTheUsersChoice) {
    const std::string question =
        "Directory Delete | There is no recycle bin for E:\\Data. Delete this folder and "
        "everything in it for good?";
    struct Case {
        const char* name;
        bool (*remove)(const std::string&);
        bool empty;
        int answer;
        bool removed;
        Strings boxes;
    } cases[] = {
        {"Yes", RemoveDirectoryTree, false, IDYES, true, {question}},
        {"No",
         RemoveDirectoryTree,
         false,
         IDNO,
         false,
         {question, "Directory Delete | Directory not deleted: E:\\Data\\"}},
        {"folder not empty, Yes", RemoveEmptyFolder, false, IDYES, true, {question}},
        {"empty folder, No",
         RemoveEmptyFolder,
         true,
         IDNO,
         false,
         {"Confirm folder deletion | Are you sure you want to delete 'E:\\Data'?",
          "Directory Delete | Directory not deleted: E:\\Data"}},
    };
    for (const Case& c : cases) {
        CleanMachine fresh(Administrator());
        fresh.AddDrive('E', DRIVE_REMOVABLE);
        fresh.AddFolder("E:\\Data");
        if (!c.empty) {
            fresh.AddFile("E:\\Data\\a.txt", "a");
            fresh.AddFile("E:\\Data\\Sub\\b.txt", "b");
        }
        fresh.boxAnswers = {c.answer};

        EXPECT_EQ(c.remove("E:\\Data"), c.removed) << c.name;

        EXPECT_EQ(BoxesOf(fresh), c.boxes) << c.name;
        EXPECT_EQ(State.FailureCount, c.removed ? 0 : 1) << c.name;
        EXPECT_EQ(fresh.Exists("E:\\Data"), !c.removed) << c.name;
        EXPECT_EQ(fresh.Exists("E:\\Data\\Sub\\b.txt"), !c.removed && !c.empty) << c.name;
    }

    // A shell without the recycle-bin question (Windows 95, NT 4.0 without a newer shell)
    // is left to ask itself; a folder the user keeps there is reported.
    for (bool keep : {false, true}) {
        CleanMachine fresh(Administrator());
        fresh.AddFile("C:\\Data\\a.txt", "a");
        fresh.recycleBinUnusable = true;
        fresh.noRecycleBinQuery = true;
        fresh.boxAnswers = {keep ? IDNO : IDYES};

        EXPECT_EQ(RemoveDirectoryTree("C:\\Data"), !keep) << keep;

        Strings boxes = {"Confirm folder deletion | Are you sure you want to delete 'C:\\Data'?"};
        if (keep) {
            boxes.push_back("Directory Delete | Directory not deleted: C:\\Data\\");
        }
        EXPECT_EQ(BoxesOf(fresh), boxes) << keep;
        EXPECT_EQ(fresh.Exists("C:\\Data\\a.txt"), keep) << keep;
    }

    // A file the user keeps, or one the shell answers for but could not delete, stays
    // reported.
    for (bool inUse : {false, true}) {
        CleanMachine fresh(Administrator());
        fresh.AddDrive('E', DRIVE_REMOVABLE);
        fresh.AddFile("E:\\Data\\a.txt", "a");
        fresh.SetInUse("E:\\Data\\a.txt", inUse);
        fresh.boxAnswers = {inUse ? IDYES : IDNO};

        EXPECT_FALSE(RemoveFile("E:\\Data\\a.txt")) << inUse;

        ASSERT_EQ(fresh.boxes.size(), 2u) << inUse;
        EXPECT_EQ(BoxesOf(fresh)[1], "File Delete | File not deleted: E:\\Data\\a.txt") << inUse;
        EXPECT_EQ(State.FailureCount, 1) << inUse;
        EXPECT_TRUE(fresh.Exists("E:\\Data\\a.txt")) << inUse;
    }
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
        CleanMachine fresh(Administrator());
        fresh.AddFile(program + "KestDel.Exe", "MZ");
        fresh.SetInUse(program + "KestDel.Exe");
        fresh.AddFile(program + "a.txt", "a");
        State.ProgramFolder = program;
        fresh.faults.plan.calls = c.failing;

        const bool removed = c.tree ? RemoveDirectoryTree(program) : RemoveFile(program + "a.txt");

        fresh.faults.plan.calls.clear();
        EXPECT_EQ(removed, c.expected) << c.name;
        EXPECT_EQ(BoxesOf(fresh), c.boxes) << c.name;
        EXPECT_EQ(State.FailureCount, static_cast<int>(c.boxes.size())) << c.name;
        EXPECT_EQ(fresh.List("C:\\Program Files\\Tessaly"), c.left) << c.name;
        ExpectNothingOpen(fresh);
    }
}

// Even a link whose target is empty is not removed by us (under Wine the removal would
// take the target and keep the link): it stays, reported and counted once.
TEST_F(RemoveTest, AnEmptyLinkStaysReported) {
    const std::string top = std::string(Top) + "\\";
    machine.AddFolder(top + "Link");
    machine.SetAttributes(top + "Link", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);

    EXPECT_FALSE(RemoveDirectoryTree(top + "Link"));

    EXPECT_TRUE(machine.Exists(top + "Link"));
    EXPECT_EQ(machine.recycled, Strings{});
    EXPECT_EQ(BoxesOf(machine),
              Strings{"Directory Delete | Directory not deleted: " + top + "Link"});
    EXPECT_EQ(State.FailureCount, 1);
}

}  // namespace

namespace {

// Another user's folder, which a link or a name from the disk could lead to.
const std::string Victim = "C:\\Users\\bob\\Thesis\\";

// While a box waits, the walked folder is renamed aside and a link to another user's
// folder takes its name: the folder is checked again after the box, found changed,
// reported once and not entered.
TEST_F(RemoveTest, AFolderSwappedWhileABoxWaitsIsNotEntered) {
    const std::string top = std::string(Top) + "\\";
    machine.AddFile(top + "a.txt", "a");
    machine.RefuseRecycle(top + "a.txt");
    machine.AddFile(top + "b.txt", "b");
    machine.AddFile(top + "Sub\\c.txt", "c");
    machine.RefuseRecycle(Top);
    machine.AddFile(Victim + "b.txt", "thesis");
    machine.AddFile(Victim + "Sub\\c.txt", "chapter");
    machine.onBox = [&](const winsim::BoxRecord&) {
        if (machine.boxes.size() == 1) {
            ASSERT_TRUE(MoveFileA(Top, "C:\\Apps\\Aside"));
            machine.AddLink(Top, Victim);
        }
    };

    EXPECT_FALSE(RemoveDirectoryTree(Top));

    EXPECT_EQ(BoxesOf(machine), (Strings{"File Delete | File not deleted: " + top + "a.txt",
                                         "Directory Delete | Directory not deleted: " + top}));
    EXPECT_EQ(machine.recycled, Strings{});
    EXPECT_EQ(machine.List(Victim), (Strings{"b.txt", "Sub"}));
    EXPECT_TRUE(machine.Exists(Victim + "Sub\\c.txt"));
    EXPECT_EQ(machine.List("C:\\Apps\\Aside"), (Strings{"a.txt", "b.txt", "Sub"}));
    EXPECT_EQ(State.FailureCount, 2);
}

// The whole folder swapped for a link while the question waits: the folder checked
// after the answer is no longer the one asked about, so nothing is deleted and the
// removal fails.
TEST_F(RemoveTest, AFolderSwappedWhileTheQuestionWaitsIsNotDeleted) {
    const std::string top = std::string(Top) + "\\";
    machine.AddFile(top + "a.txt", "a");
    machine.AddFile(Victim + "thesis.doc", "thesis");
    machine.recycleBinUnusable = true;
    machine.boxAnswers = {IDYES};
    machine.onBox = [&](const winsim::BoxRecord&) {
        if (machine.boxes.size() == 1) {
            ASSERT_TRUE(MoveFileA(Top, "C:\\Apps\\Aside"));
            machine.AddLink(Top, Victim);
        }
    };

    EXPECT_FALSE(RemoveDirectoryTree(Top));

    EXPECT_EQ(BoxesOf(machine),
              (Strings{"Directory Delete | There is no recycle bin for " + std::string(Top) +
                           ". Delete this folder and everything in it for good?",
                       "Directory Delete | Directory not deleted: " + top}));
    EXPECT_EQ(machine.Content(Victim + "thesis.doc"), "thesis");
    EXPECT_EQ(machine.List("C:\\Apps\\Aside"), Strings{"a.txt"});
    EXPECT_EQ(State.FailureCount, 1);
}

// Without a usable recycle bin the question comes before the tree is checked and
// walked: a link planted while it waits is found and left alone, and nothing is handed
// to the shell to delete for good.
TEST_F(RemoveTest, ALinkPlantedWhileTheQuestionWaitsIsNotFollowed) {
    const std::string top = std::string(Top) + "\\";
    machine.AddFile(top + "a.txt", "a");
    machine.AddFile(top + "Sub\\b.txt", "b");
    machine.AddFile(Victim + "thesis.doc", "thesis");
    machine.recycleBinUnusable = true;
    machine.boxAnswers = {IDYES};
    machine.onBox = [&](const winsim::BoxRecord&) {
        if (machine.boxes.size() == 1) {
            machine.AddLink(top + "Sub\\Link", Victim);
        }
    };

    EXPECT_FALSE(RemoveDirectoryTree(Top));

    EXPECT_EQ(BoxesOf(machine),
              (Strings{"Directory Delete | There is no recycle bin for " + std::string(Top) +
                           ". Delete this folder and everything in it for good?",
                       "Directory Delete | Directory not deleted: " + top + "Sub\\Link",
                       "Directory Delete | Directory not deleted: " + top + "Sub\\",
                       "Directory Delete | Directory not deleted: " + top + "Sub",
                       "Directory Delete | Directory not deleted: " + top}));
    EXPECT_TRUE(machine.Exists(Victim + "thesis.doc"));
    EXPECT_FALSE(machine.Exists(top + "a.txt"));
    EXPECT_FALSE(machine.Exists(top + "Sub\\b.txt"));
    EXPECT_EQ(machine.Lines("delete: "),
              (Strings{"delete: " + top + "a.txt", "delete: " + top + "Sub\\b.txt"}));
    EXPECT_EQ(State.FailureCount, 4);
}

// A name the code page cannot express is listed best fit: separators and dots in it
// would lead out of the folder. It is never acted on; it stays, reported once, and its
// folder does not go whole.
TEST_F(RemoveTest, ABestFitNameIsNeverActedOn) {
    const std::string top = std::string(Top) + "\\";
    const std::string name =
        "x\xEF\xBC\xBC..\xEF\xBC\xBC..\xEF\xBC\xBCVictim\xEF\xBC\xBCthesis.txt";
    for (bool shellRefuses : {false, true}) {
        CleanMachine fresh(Administrator());
        fresh.AddFile("C:\\Apps\\Victim\\thesis.txt", "thesis");
        fresh.AddFile(top + "a.txt", "a");
        fresh.AddUnicodeFile(top, name, "odd");
        if (shellRefuses) {
            fresh.RefuseRecycle(Top);
        }

        EXPECT_FALSE(RemoveDirectoryTree(Top)) << shellRefuses;

        EXPECT_EQ(BoxesOf(fresh), (Strings{"File Delete | File not deleted: " + top +
                                               "x\\..\\..\\Victim\\thesis.txt",
                                           "Directory Delete | Directory not deleted: " + top}))
            << shellRefuses;
        EXPECT_EQ(fresh.recycled, Strings{top + "a.txt"}) << shellRefuses;
        EXPECT_EQ(fresh.List(Top), Strings{name}) << shellRefuses;
        EXPECT_TRUE(fresh.Exists("C:\\Apps\\Victim\\thesis.txt")) << shellRefuses;
        EXPECT_EQ(State.FailureCount, 2) << shellRefuses;
    }
}

// A name the search lists twice (the code page spells two names alike) names no one
// entry: acted on once, the second listing reported; the folder then goes whole to the
// recycle bin with what it still holds.
TEST_F(RemoveTest, ANameListedTwiceIsActedOnOnce) {
    const std::string top = std::string(Top) + "\\";
    machine.AddFile(top + "xA.txt", "plain");
    machine.AddUnicodeFile(top, "x\xEF\xBC\xA1.txt", "wide");

    EXPECT_FALSE(RemoveDirectoryTree(Top));

    EXPECT_EQ(BoxesOf(machine), Strings{"File Delete | File not deleted: " + top + "xA.txt"});
    EXPECT_EQ(machine.recycled, (Strings{top + "xA.txt", Top}));
    EXPECT_EQ(State.FailureCount, 1);
}

}  // namespace
