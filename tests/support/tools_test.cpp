// Text tools and the argument rules of the command line.
#include "Tools.h"

#include <string>
#include <vector>

#include "SimTest.h"

namespace {

class ToolsTest : public SimTest {};

TEST_F(ToolsTest, ExtractTokenSplitsLikeACommandLine) {
    struct Case {
        std::string text;
        int n;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"a \"b c\" d", 1, "a"},
        {"a \"b c\" d", 2, "b c"},
        {"a \"b c\" d", 3, "d"},
        {"a \"b c\" d", 4, ""},
        {"  a   b  ", 2, "b"},
        {"  a   b  ", 3, ""},
        {"\"x y\"z", 1, "x y"},
        {"\"x y\"z", 2, "z"},
        {"ab\"c d\"", 1, "ab\"c"},
        {"ab\"c d\"", 2, "d\""},
        {"\"abc", 1, "abc"},
        {"a \"b c", 2, "b c"},
        {"\"\" x", 1, ""},
        {"\"\" x", 2, "x"},
        {"a\tb c", 1, "a\tb"},
        {"a\r\nb\rc\nd", 4, "d"},
        {"a b", 0, ""},
        {"a b", -1, ""},
        {"", 1, ""},
        {"last", 1, "last"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractToken(c.text, c.n), c.expected)
            << "token " << c.n << " of [" << c.text << "]";
    }
}

// Argument n of the process as the modes receive it, taken from the machine's
// command line.
TEST_F(ToolsTest, ArgumentsFollowTheSystemRules) {
    struct Case {
        std::string commandLine;
        std::vector<std::string> arguments;  // arguments 1, 2, ...; one more must be empty
    };
    const std::vector<Case> cases = {
        {"KestDel.Exe \"\" \"Desk Top\" x", {"Desk Top", "x", "", ""}},
        {"Setup.exe a \"\" b", {"a", "b"}},
        {"Setup.exe \"\"\"\" x", {"x"}},
        {"Setup.exe x\"y z\"w", {"xy zw"}},
        {"Setup.exe a\"\"b", {"ab"}},
        {"Setup.exe \"abc", {"abc"}},
        {"Setup.exe a\"b c", {"ab c"}},
        {"\"C:\\Program Files\\Setup.exe\" autorun", {"autorun"}},
        {"Setup.exe\ta\x01"
         "b\x1f"
         "c \x7f",
         {"a", "b", "c", "\x7f"}},
        {"Setup.exe \xa0x \xffy", {"\xa0x", "\xffy"}},
        {"Setup.exe   ", {""}},
        {"Setup.exe", {""}},
        {"", {""}},
    };
    for (const Case& c : cases) {
        machine.commandLine = c.commandLine;
        for (std::size_t i = 0; i < c.arguments.size(); ++i) {
            EXPECT_EQ(ProgramArgument(static_cast<int>(i) + 1), c.arguments[i])
                << "argument " << i + 1 << " of [" << c.commandLine << "]";
        }
        EXPECT_EQ(ProgramArgument(static_cast<int>(c.arguments.size()) + 1), "")
            << "argument past the last of [" << c.commandLine << "]";
    }
}

// A registered command names the program by its long path without quotes; the
// arguments begin after the whole path, never inside it.
TEST_F(ToolsTest, ArgumentsAfterTheOwnPathUnquotedWithBlanks) {
    machine.moduleFileName = "C:\\Program Files\\Tessaly\\KestDel.Exe";
    struct Case {
        std::string commandLine;
        std::vector<std::string> arguments;
    };
    const std::vector<Case> cases = {
        {"C:\\Program Files\\Tessaly\\KestDel.Exe \"Tessaly Study\" Tessaly \"C:\\Data\\\" x",
         {"Tessaly Study", "Tessaly", "C:\\Data\\", "x"}},
        {"c:\\program files\\tessaly\\kestdel.exe\ta", {"a"}},
        {"C:\\Program Files\\Tessaly\\KestDel.Exe", {""}},
        {"\"C:\\Program Files\\Tessaly\\KestDel.Exe\" a", {"a"}},
        // Anything else keeps the ordinary rules.
        {"C:\\Program Files\\Tessaly\\KestDel.Exe2 a", {"Files\\Tessaly\\KestDel.Exe2", "a"}},
        {"C:\\Program Files\\Other\\KestDel.Exe a", {"Files\\Other\\KestDel.Exe", "a"}},
    };
    for (const Case& c : cases) {
        machine.commandLine = c.commandLine;
        for (std::size_t i = 0; i < c.arguments.size(); ++i) {
            EXPECT_EQ(ProgramArgument(static_cast<int>(i) + 1), c.arguments[i])
                << "argument " << i + 1 << " of [" << c.commandLine << "]";
        }
    }
}

TEST_F(ToolsTest, VeryLongArgumentComesBackWhole) {
    const std::string longArgument(10000, 'k');
    machine.commandLine = "Setup.exe \"" + longArgument + "\" next";
    EXPECT_EQ(ProgramArgument(1), longArgument);
    EXPECT_EQ(ProgramArgument(2), "next");
}

TEST_F(ToolsTest, DoubleByteCharacterHidesAQuoteInItsTrailByte) {
    machine.doubleByteCodePage = true;
    machine.commandLine = "Setup.exe \x81\"x y";
    EXPECT_EQ(ProgramArgument(1), "\x81\"x");
    EXPECT_EQ(ProgramArgument(2), "y");

    // A lead byte at the very end does not carry the scan past the terminator.
    machine.commandLine = "Setup.exe a\x81";
    EXPECT_EQ(ProgramArgument(1), "a\x81");
    EXPECT_EQ(ProgramArgument(2), "");

    machine.doubleByteCodePage = false;
    machine.commandLine = "Setup.exe \x81\"x y";
    EXPECT_EQ(ProgramArgument(1), "\x81x y");
}

TEST_F(ToolsTest, ArgumentZeroIsTheWholeModulePath) {
    machine.commandLine = "kestdel \"\" x";
    machine.moduleFileName = "C:\\Program Files\\Tessaly\\KestDel.Exe";
    EXPECT_EQ(ProgramArgument(0), "C:\\Program Files\\Tessaly\\KestDel.Exe");

    // A name the system cut off at the end of the buffer would name a folder above the
    // program's: it is asked for again with more room.
    for (size_t length : {259u, 260u, 277u, 600u}) {
        const std::string longPath = "C:\\" + std::string(length - 15, 'd') + "\\KestDel.Exe";
        machine.moduleFileName = longPath;
        EXPECT_EQ(ProgramArgument(0), longPath) << length;
    }
}

// A path goes into a command line in quotes when it holds a blank or any character
// cmd.exe splits or expands at; other paths stay as they are.
TEST_F(ToolsTest, CommandPathQuotesWhatCmdWouldSplit) {
    for (char special : std::string(" &|()<>^%!,;=")) {
        const std::string path = std::string("C:\\R") + special + "D\\KestDel.Exe";
        EXPECT_EQ(CommandPath(path), "\"" + path + "\"") << special;
    }
    EXPECT_EQ(CommandPath("C:\\Kest_1\\Kest-2.Exe"), "C:\\Kest_1\\Kest-2.Exe");
    EXPECT_EQ(CommandPath(""), "");
}

// Every digit in its place, the zero of a round number kept and the largest error code whole.
TEST_F(ToolsTest, DecimalTextWritesEveryDigit) {
    struct Case {
        unsigned long value;
        std::string text;
    };
    const std::vector<Case> cases = {
        {0, "0"}, {7, "7"}, {10, "10"}, {217, "217"}, {1000, "1000"}, {4294967295UL, "4294967295"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecimalText(c.value), c.text) << c.text;
    }
}

// The 1-based place of the first occurrence, ignoring case; 0 when absent or when
// either text is empty (an empty text would otherwise be found at once).
TEST_F(ToolsTest, PosTextFindsTheFirstPlaceIgnoringCase) {
    struct Case {
        const char* sub;
        const char* text;
        int position;
    };
    const std::vector<Case> cases = {
        {"b", "abcb", 2},   {"B", "abc", 2}, {"\\KESTDEL", "c:\\x\\kestdel.exe", 5},
        {"x", "abc", 0},    {"", "abc", 0},  {"a", "", 0},
        {"abcd", "abc", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PosText(c.sub, c.text), c.position) << c.sub << " in " << c.text;
    }
}

}  // namespace

TEST_F(ToolsTest, NameCharacterSetsReadTextByCharacter) {
    const struct Case {
        bool doubleByte;
        std::string text;
        bool forbidden;  // holds what no name may hold
        bool wildcard;   // holds what the directory search takes for a wildcard
    } cases[] = {
        {false, "Notes 2024.txt", false, false},
        {false, "", false, false},
        {false, "a\\b", true, false},
        {false, "a/b", true, false},
        {false, "C:", true, false},
        {false, "a|b", true, false},
        {false, "a?b", true, true},
        {false, "a*", true, true},
        {false, "<a>", true, true},
        {false, "\"a\"", true, true},
        {false, std::string("a\0b", 3), false, false},  // a NUL is in no set
        {false, "\x95\\", true, false},                 // a backslash of its own here
        {true, "\x95\\", false, false},                 // the trail byte of one character
        {true, "\x95|x", false, false},
        {true, "\x95|\\", true, false},
        {true, "a\x95", false, false},  // a lead byte at the very end
    };
    for (const Case& c : cases) {
        machine.doubleByteCodePage = c.doubleByte;
        EXPECT_EQ(HoldsCharacterOf(c.text, ForbiddenNameCharacters), c.forbidden) << c.text;
        EXPECT_EQ(HoldsCharacterOf(c.text, WildcardCharacters), c.wildcard) << c.text;
    }
}
