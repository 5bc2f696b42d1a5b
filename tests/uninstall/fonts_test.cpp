// Removal of a font folder through its Fonts.Reg, or whole.
#include <string>
#include <vector>

#include "KestDelFonts.h"
#include "KestDelTest.h"

namespace {

const std::string FontFolder = "C:\\Program Files\\Tessaly\\Fonts\\";
const std::string FontList = FontFolder + "Fonts.Reg";
const char* const OldFontsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";

class FontsTest : public KestDelTest {
protected:
    // A Fonts.Reg line in the form the product's setup writes.
    static std::string Line(const std::string& name, const std::string& file) {
        return "\"" + name + "\" \"" + FontFolder + file + "\"";
    }
    void AddFont(const std::string& name, const std::string& file, const char* fontsKey) {
        machine.AddFile(FontFolder + file, "font");
        machine.SetString(HKEY_LOCAL_MACHINE, std::string(fontsKey) + "\\" + name, "File", file);
    }
};

TEST_F(FontsTest, WithoutAFontFolderNothingHappens) {
    EXPECT_TRUE(RemoveFonts(FontFolder));
    EXPECT_EQ(BoxesOf(machine), Strings{});
    EXPECT_TRUE(machine.recycled.empty());
}

// The ordinary case: Fonts.Reg goes to the bin first, then the folder whole; no font
// key is touched.
TEST_F(FontsTest, AMovableFontListGoesFirstThenTheFolderWhole) {
    AddFont("Kest Sans", "sans.ttf", FontsKey);
    machine.AddFile(FontList, Line("Kest Sans", "sans.ttf") + "\r\n");

    EXPECT_TRUE(RemoveFonts(FontFolder));

    EXPECT_EQ(machine.recycled, (Strings{FontList, FontFolder.substr(0, FontFolder.size() - 1)}));
    EXPECT_FALSE(machine.Exists(FontFolder));
    EXPECT_TRUE(machine.KeyExists(HKEY_LOCAL_MACHINE, std::string(FontsKey) + "\\Kest Sans"));
    EXPECT_EQ(BoxesOf(machine), Strings{});
}

TEST_F(FontsTest, AFolderWithoutListThatCannotGoIsReported) {
    machine.AddFile(FontFolder + "busy.ttf", "font");
    machine.SetInUse(FontFolder + "busy.ttf");

    EXPECT_FALSE(RemoveFonts(FontFolder));

    EXPECT_EQ(BoxesOf(machine), Strings{"Directory Delete | Directory not deleted: " + FontFolder});
    EXPECT_EQ(State.FailureCount, 1);
}

// A Fonts.Reg that stays is worked through from its last line to its first; the
// lines of fonts whose files stay are written back in their order.
TEST_F(FontsTest, AStuckListIsWorkedThroughFromItsLastLine) {
    struct Case {
        const char* name;
        bool windows98;
        const char* fontsKey;
    } cases[] = {
        {"NT family", false, FontsKey},
        {"Windows 98", true, OldFontsKey},
    };
    for (const Case& c : cases) {
        CleanMachine fresh(Administrator());
        if (c.windows98) {
            fresh.SetWindows98();
        }
        const std::string key = c.fontsKey;
        fresh.SetString(HKEY_LOCAL_MACHINE, key, "Arial (TrueType)", "arial.ttf");
        const char* fonts[] = {"One", "Two", "Three", "Four", "Five"};
        for (const char* font : fonts) {
            fresh.SetString(HKEY_LOCAL_MACHINE, key + "\\" + font, "File", font);
        }
        for (const char* font : {"One", "Two", "Three", "Four"}) {  // Five's file is gone
            fresh.AddFile(FontFolder + font + ".ttf", "font");
        }
        fresh.SetInUse(FontFolder + "Two.ttf");
        fresh.SetInUse(FontFolder + "Four.ttf");
        fresh.AddFile(FontList, Line("One", "One.ttf") + "\r\n" + Line("Two", "Two.ttf") + "\r\n" +
                                    Line("Three", "Three.ttf") + "\r\n" + Line("Four", "Four.ttf") +
                                    "\r\n" + Line("Five", "Five.ttf") + "\r\n\x1a");
        fresh.RefuseRecycle(FontList);

        EXPECT_FALSE(RemoveFonts(FontFolder)) << c.name;

        EXPECT_EQ(fresh.recycled, (Strings{FontFolder + "Three.ttf", FontFolder + "One.ttf"}))
            << c.name;
        const Strings boxes = BoxesOf(fresh);
        EXPECT_EQ(boxes, (Strings{"File Delete | File not deleted: " + FontList,
                                  "File Delete | File not deleted: " + FontFolder + "Four.ttf",
                                  "Font Delete | Font not deleted: Four",
                                  "File Delete | File not deleted: " + FontFolder + "Two.ttf",
                                  "Font Delete | Font not deleted: Two",
                                  "Font Delete | Some fonts not deleted."}))
            << c.name;
        for (const char* font : fonts) {
            EXPECT_FALSE(fresh.KeyExists(HKEY_LOCAL_MACHINE, key + "\\" + font))
                << c.name << " " << font;
        }
        EXPECT_EQ(fresh.StringValue(HKEY_LOCAL_MACHINE, key, "Arial (TrueType)"), "arial.ttf")
            << c.name;
        EXPECT_EQ(State.FailureCount, 3) << c.name;
        EXPECT_EQ(fresh.Content(FontList),
                  Line("Two", "Two.ttf") + "\r\n" + Line("Four", "Four.ttf") + "\r\n")
            << c.name;
    }
}

TEST_F(FontsTest, KeptLinesAreWrittenBackInTheirOrder) {
    for (const char* font : {"One", "Two", "Three"}) {
        AddFont(font, std::string(font) + ".ttf", FontsKey);
    }
    machine.SetInUse(FontFolder + "One.ttf");
    machine.SetInUse(FontFolder + "Three.ttf");
    machine.AddFile(FontList, Line("One", "One.ttf") + "\r\n" + Line("Two", "Two.ttf") + "\r\n" +
                                  Line("Three", "Three.ttf") + "\r\n");
    machine.RefuseRecycle(FontList);

    EXPECT_FALSE(RemoveFonts(FontFolder));

    EXPECT_EQ(machine.Content(FontList),
              Line("One", "One.ttf") + "\r\n" + Line("Three", "Three.ttf") + "\r\n");
    EXPECT_EQ(
        BoxesOf(machine),
        (Strings{"File Delete | File not deleted: " + FontList,
                 "File Delete | File not deleted: " + FontFolder + "Three.ttf",
                 "Font Delete | Font not deleted: Three",
                 "File Delete | File not deleted: " + FontFolder + "One.ttf",
                 "Font Delete | Font not deleted: One", "Font Delete | Some fonts not deleted."}));
    EXPECT_FALSE(machine.Exists(FontFolder + "Two.ttf"));
}

// The list written back is a file of the run's own making: a partial name that is
// another user's link or hard link is passed over, and that user's file stays as it was.
TEST_F(FontsTest, AListWrittenBackNeverWritesThroughALink) {
    for (bool hard : {false, true}) {
        CleanMachine fresh;
        fresh.AddFile(FontFolder + "One.ttf", "font");
        fresh.SetInUse(FontFolder + "One.ttf");
        fresh.AddFile(FontList, Line("One", "One.ttf") + "\r\n");
        fresh.RefuseRecycle(FontList);
        AddOtherUsersFile(fresh);
        if (hard) {
            fresh.AddHardLink(FontList + ".new", OtherUsersFile);
        } else {
            fresh.AddLink(FontList + ".new", OtherUsersFile);
        }

        EXPECT_FALSE(RemoveFonts(FontFolder)) << hard;

        ExpectOtherUsersFileUntouched(fresh, hard ? "hard link" : "link");
        EXPECT_EQ(fresh.Content(FontList), Line("One", "One.ttf") + "\r\n") << hard;
        EXPECT_EQ(fresh.List(FontFolder), (Strings{"One.ttf", "Fonts.Reg.new", "Fonts.Reg"}))
            << hard;
        EXPECT_EQ(DeletesOfNamesNotOwned(fresh), Strings{}) << hard;
        EXPECT_EQ(BoxesOf(fresh),
                  (Strings{"File Delete | File not deleted: " + FontList,
                           "File Delete | File not deleted: " + FontFolder + "One.ttf",
                           "Font Delete | Font not deleted: One",
                           "Font Delete | Some fonts not deleted."}))
            << hard;
    }
}

// Every font went, but the folder stays for a file Fonts.Reg does not list: the list
// is written back empty.
TEST_F(FontsTest, AFolderThatStaysAfterItsFontsLeavesAnEmptyList) {
    AddFont("One", "One.ttf", FontsKey);
    machine.AddFile(FontFolder + "readme.txt", "r");
    machine.SetInUse(FontFolder + "readme.txt");
    machine.AddFile(FontList, Line("One", "One.ttf") + "\r\n");
    machine.RefuseRecycle(FontList);

    EXPECT_FALSE(RemoveFonts(FontFolder));

    EXPECT_EQ(BoxesOf(machine), (Strings{"File Delete | File not deleted: " + FontList,
                                         "File Delete | File not deleted: " + FontList,
                                         "Directory Delete | Directory not deleted: " + FontFolder,
                                         "Font Delete | Some fonts not deleted."}));
    EXPECT_TRUE(machine.Exists(FontList));
    EXPECT_EQ(machine.Content(FontList), "");
    EXPECT_FALSE(machine.Exists(FontFolder + "One.ttf"));
}

// A line without a registry name must not reach the fonts key itself.
TEST_F(FontsTest, ALineWithoutANameLeavesTheFontsKeyAlone) {
    machine.SetString(HKEY_LOCAL_MACHINE, FontsKey, "Arial (TrueType)", "arial.ttf");
    machine.SetString(HKEY_LOCAL_MACHINE, std::string(FontsKey) + "\\Other", "File", "o.ttf");
    AddFont("One", "One.ttf", FontsKey);
    machine.SetString(HKEY_LOCAL_MACHINE, std::string(FontsKey) + "\\Other\\Deep", "File", "d");
    machine.AddFile(FontList, "\r\n\"\" \"" + FontFolder + "x.ttf\"\r\n   \r\n" +
                                  Line("One", "One.ttf") + "\r\n" +
                                  Line("Other\\Deep", "Deep.ttf") + "\r\n");
    machine.RefuseRecycle(FontList);

    RemoveFonts(FontFolder);

    EXPECT_EQ(machine.StringValue(HKEY_LOCAL_MACHINE, FontsKey, "Arial (TrueType)"), "arial.ttf");
    EXPECT_TRUE(machine.KeyExists(HKEY_LOCAL_MACHINE, std::string(FontsKey) + "\\Other\\Deep"));
    EXPECT_FALSE(machine.KeyExists(HKEY_LOCAL_MACHINE, std::string(FontsKey) + "\\One"));
}

// A Fonts.Reg that cannot be written back lets its file error pass to the caller,
// after the boxes of the fonts that stayed; the list keeps its old lines.
TEST_F(FontsTest, AListThatCannotBeWrittenBackPassesItsError) {
    AddFont("One", "One.ttf", FontsKey);
    machine.SetInUse(FontFolder + "One.ttf");
    machine.AddFile(FontList, Line("One", "One.ttf") + "\r\n");
    machine.SetInUse(FontList);

    EXPECT_THROW(RemoveFonts(FontFolder), FileCreateError);

    EXPECT_EQ(
        BoxesOf(machine),
        (Strings{"File Delete | File not deleted: " + FontList,
                 "File Delete | File not deleted: " + FontFolder + "One.ttf",
                 "Font Delete | Font not deleted: One", "Font Delete | Some fonts not deleted."}));
    EXPECT_EQ(State.FailureCount, 2);
    EXPECT_EQ(machine.Content(FontList), Line("One", "One.ttf") + "\r\n");
}

// Fonts.Reg lies in a folder every user may write: a line acts only on a file named by
// its full path in the font folder itself (by any spelling of that folder). Any other
// line stays with its file and its font key, like a font that could not be removed.
TEST_F(FontsTest, ActsOnlyOnLinesThatNameAFileInTheFontFolder) {
    struct Case {
        const char* name;
        std::string path;  // field 2 of the one line
        bool acted;
    } cases[] = {
        {"system file", "C:\\Windows\\System32\\x.dll", false},
        {"another user's file", "C:\\Users\\ann\\Documents\\x.ttf", false},
        {"relative name", "x.ttf", false},
        {"drive-relative name", "C:x.ttf", false},
        {"rooted name", "\\Program Files\\Tessaly\\Fonts\\x.ttf", false},
        {"way out of the folder", FontFolder + "..\\..\\x.ttf", false},
        {"sub-folder", FontFolder + "Sub\\x.ttf", false},
        {"network name", "\\\\localhost\\C$\\Windows\\System32\\x.dll", false},
        {"no file name", FontFolder, false},
        {"the font folder's own file", FontFolder + "x.ttf", true},
        {"short spelling", "C:\\PROGRA~1\\Tessaly\\Fonts\\x.ttf", true},
        {"other letters", "c:\\program files\\TESSALY\\fonts\\x.ttf", true},
    };
    for (const Case& c : cases) {
        CleanMachine fresh(Administrator());
        for (const char* file : {"C:\\Windows\\System32\\x.dll", "C:\\Users\\ann\\Documents\\x.ttf",
                                 "C:\\x.ttf", "C:\\Program Files\\Tessaly\\x.ttf",
                                 "C:\\Program Files\\Tessaly\\Fonts\\Sub\\x.ttf"}) {
            fresh.AddFile(file, "keep");
        }
        fresh.AddFile(FontFolder + "x.ttf", "font");
        fresh.currentFolder = "C:\\";
        fresh.SetString(HKEY_LOCAL_MACHINE, std::string(FontsKey) + "\\Kest X", "File", "x");
        const std::string line = "\"Kest X\" \"" + c.path + "\"";
        fresh.AddFile(FontList, line + "\r\n");
        fresh.RefuseRecycle(FontList);

        if (c.acted) {
            // The list stays but its folder goes to the recycle bin whole: the list cannot
            // be written back there, and its file error passes.
            EXPECT_THROW(RemoveFonts(FontFolder), FileCreateError) << c.name;
        } else {
            EXPECT_FALSE(RemoveFonts(FontFolder)) << c.name;  // the list itself stays
        }

        const Strings boxes = BoxesOf(fresh);
        ASSERT_GE(boxes.size(), 2u) << c.name;
        EXPECT_EQ(boxes[0], "File Delete | File not deleted: " + FontList) << c.name;
        if (c.acted) {
            EXPECT_EQ(boxes[1], "File Delete | File not deleted: " + FontList) << c.name;
        } else {
            EXPECT_EQ(boxes, (Strings{"File Delete | File not deleted: " + FontList,
                                      "File Delete | File not deleted: " + c.path,
                                      "Font Delete | Font not deleted: Kest X",
                                      "Font Delete | Some fonts not deleted."}))
                << c.name;
            EXPECT_EQ(State.FailureCount, 2) << c.name;
            EXPECT_EQ(fresh.Content(FontList), line + "\r\n") << c.name;
        }
        EXPECT_EQ(fresh.KeyExists(HKEY_LOCAL_MACHINE, std::string(FontsKey) + "\\Kest X"), !c.acted)
            << c.name;
        EXPECT_EQ(fresh.Exists(FontFolder + "x.ttf"), !c.acted) << c.name;
        for (const char* file : {"C:\\Windows\\System32\\x.dll", "C:\\Users\\ann\\Documents\\x.ttf",
                                 "C:\\x.ttf", "C:\\Program Files\\Tessaly\\x.ttf",
                                 "C:\\Program Files\\Tessaly\\Fonts\\Sub\\x.ttf"}) {
            if (c.acted && std::string(file).find("Sub") != std::string::npos) {
                continue;  // the font folder went whole, its sub-folder with it
            }
            EXPECT_TRUE(fresh.Exists(file)) << c.name << " " << file;
        }
    }
}

}  // namespace

namespace {

// A font folder made a link to another program's font folder: nothing in it is read or
// touched; it stays, reported once.
TEST_F(FontsTest, AFontFolderThatIsALinkIsNotTouched) {
    const std::string other = "C:\\Other\\Fonts\\";
    machine.AddFile(other + "o.ttf", "font");
    machine.AddFile(other + "Fonts.Reg", "\"Other\" \"" + other + "o.ttf\"\r\n");
    machine.SetString(HKEY_LOCAL_MACHINE, std::string(FontsKey) + "\\Other", "File", "o.ttf");
    machine.AddLink("C:\\Data\\Fonts", other);
    machine.RefuseRecycle("C:\\Data\\Fonts\\Fonts.Reg");

    EXPECT_FALSE(RemoveFonts("C:\\Data\\Fonts\\"));

    EXPECT_EQ(BoxesOf(machine),
              Strings{"Directory Delete | Directory not deleted: C:\\Data\\Fonts\\"});
    EXPECT_EQ(State.FailureCount, 1);
    EXPECT_EQ(machine.recycled, Strings{});
    EXPECT_EQ(machine.List(other), (Strings{"o.ttf", "Fonts.Reg"}));
    EXPECT_TRUE(machine.KeyExists(HKEY_LOCAL_MACHINE, std::string(FontsKey) + "\\Other"));
}

}  // namespace
