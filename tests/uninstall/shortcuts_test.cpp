// Removal of the desktop shortcut and the start-menu folder.
#include <string>
#include <vector>

#include "KestDelShortcuts.h"
#include "KestDelTest.h"

namespace {

const std::string Desktop = "C:\\Users\\Public\\Desktop\\";
const std::string Programs = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";
const std::string Shortcut = Desktop + "Tessaly.Lnk";
const std::string Menu = Programs + "Tessaly Study";

class ShortcutsTest : public KestDelTest {
protected:
    static void Register(winsim::Machine& m) {
        m.SetString(HKEY_LOCAL_MACHINE, ShellFolders, "Common Desktop", Desktop);
        m.SetString(HKEY_LOCAL_MACHINE, ShellFolders, "Common Startup", Programs + "Startup");
        m.AddFile(Programs + "Other\\Other.Lnk", "link");
        m.AddFile(Desktop + "Other.Lnk", "link");
    }
};

TEST_F(ShortcutsTest, RemovesTheShortcutAndTheMenuFolderOrSaysSo) {
    struct Case {
        const char* name;
        bool shortcut;
        bool menu;
        bool refuseShortcut;
        const char* menuFolderName;
        bool expected;
        Strings boxes;
        Strings recycled;
    } cases[] = {
        {"neither there", false, false, false, "Tessaly Study", true, {}, {}},
        {"both there", true, true, false, "Tessaly Study", true, {}, {Shortcut, Menu}},
        {"shortcut refused",
         true,
         true,
         true,
         "Tessaly Study",
         false,
         {"File Delete | File not deleted: " + Shortcut,
          "ShortCuts | Unable to remove program shortcuts. Remove manually."},
         {Menu}},
        // No menu folder of the product: nothing to remove there, and the programs
        // folder itself stays.
        {"empty menu folder name", true, false, false, "", true, {}, {Shortcut}},
    };
    for (const Case& c : cases) {
        CleanMachine fresh(Administrator());
        Register(fresh);
        if (c.shortcut) {
            fresh.AddFile(Shortcut, "link");
        }
        if (c.menu) {
            fresh.AddFile(Menu + "\\Tessaly.Lnk", "link");
            fresh.AddFile(Menu + "\\Help\\Help.Lnk", "link");
        }
        if (c.refuseShortcut) {
            fresh.RefuseRecycle(Shortcut);
        }

        EXPECT_EQ(RemoveShortcuts(c.menuFolderName, "Tessaly"), c.expected) << c.name;

        const Strings boxes = BoxesOf(fresh);
        EXPECT_EQ(boxes, c.boxes) << c.name;
        EXPECT_EQ(fresh.recycled, c.recycled) << c.name;
        EXPECT_FALSE(fresh.Exists(Menu)) << c.name;
        EXPECT_EQ(State.FailureCount, c.expected ? 0 : 1) << c.name;
        EXPECT_TRUE(fresh.Exists(Programs + "Other\\Other.Lnk")) << c.name;
        EXPECT_TRUE(fresh.Exists(Desktop + "Other.Lnk")) << c.name;
    }
}

// While the report of a link in the menu folder waits, the folder is renamed aside and
// a link to another user's folder takes its name: nothing more is removed, and the
// shortcuts are said to stay.
TEST_F(ShortcutsTest, AMenuFolderSwappedWhileABoxWaitsIsReported) {
    const std::string victim = "C:\\Users\\bob\\Thesis";
    Register(machine);
    machine.AddFile(Shortcut, "link");
    machine.AddFile(Menu + "\\Tessaly.Lnk", "link");
    machine.AddFile(victim + "\\thesis.doc", "thesis");
    machine.AddLink(Menu + "\\Notes", victim);
    machine.onBox = [&](const winsim::BoxRecord&) {
        if (machine.boxes.size() == 1) {
            ASSERT_TRUE(MoveFileA(Menu.c_str(), (Programs + "Aside").c_str()));
            machine.AddLink(Menu, victim);
        }
    };

    EXPECT_FALSE(RemoveShortcuts("Tessaly Study", "Tessaly"));

    EXPECT_EQ(BoxesOf(machine),
              (Strings{"Directory Delete | Directory not deleted: " + Menu + "\\Notes",
                       "Directory Delete | Directory not deleted: " + Menu + "\\",
                       "ShortCuts | Unable to remove program shortcuts. Remove manually."}));
    EXPECT_EQ(machine.recycled, (Strings{Shortcut, Menu + "\\Tessaly.Lnk"}));
    EXPECT_EQ(machine.List(victim), Strings{"thesis.doc"});
    EXPECT_EQ(machine.List(Programs + "Aside"), Strings{"Notes"});
}

// A shortcut name is a name on the desktop: one that would reach another folder or
// match other files through wildcards is refused, reported as a shortcut that stayed.
TEST_F(ShortcutsTest, RefusesShortcutNamesThatLeaveTheDesktop) {
    const std::string otherDesktop = "C:\\Users\\reader\\Desktop\\";
    for (const char* name : {"..\\..\\reader\\Desktop\\Bank", "../../reader/Desktop/Bank",
                             "C:\\Users\\reader\\Desktop\\Bank", "Ba*", "Ban?", "Ba<", "Ban>",
                             "Bank\"", "Bank|x", "Bank:x"}) {
        CleanMachine fresh(Administrator());
        Register(fresh);
        fresh.AddFile(otherDesktop + "Bank.Lnk", "link");
        fresh.AddFile(Desktop + "Bank.Lnk", "link");

        EXPECT_FALSE(RemoveShortcuts("Tessaly Study", name)) << name;

        EXPECT_EQ(BoxesOf(fresh),
                  (Strings{"File Delete | File not deleted: " + Desktop + name + ".Lnk",
                           "ShortCuts | Unable to remove program shortcuts. Remove manually."}))
            << name;
        EXPECT_EQ(State.FailureCount, 1) << name;
        EXPECT_TRUE(fresh.Exists(otherDesktop + "Bank.Lnk")) << name;
        EXPECT_TRUE(fresh.Exists(Desktop + "Bank.Lnk")) << name;
        EXPECT_TRUE(fresh.recycled.empty()) << name;
    }

    // A double-byte name whose trail bytes are those of a backslash and a bar is plain.
    CleanMachine fresh(Administrator());
    Register(fresh);
    fresh.doubleByteCodePage = true;
    const std::string name = "\x95\x5C\x83\x7C";  // 表ポ
    fresh.AddFile(Desktop + name + ".Lnk", "link");
    EXPECT_TRUE(RemoveShortcuts("Tessaly Study", name));
    EXPECT_EQ(fresh.recycled, Strings{Desktop + name + ".Lnk"});
    EXPECT_TRUE(fresh.boxes.empty());
}

}  // namespace
