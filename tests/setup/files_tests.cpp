// The installation-file check and the start-up message.
#include "SetupA.h"
#include "SetupFixture.h"

namespace {

using namespace setuptest;

class InstallFilesTest : public SimTest {};

TEST_F(InstallFilesTest, CompleteOnlyWithEveryKindOfFile) {
    struct Case {
        const char* what;
        std::vector<std::string> files;
        std::vector<std::string> folders;
        bool complete;
    } cases[] = {
        {"plain program and library",
         {"Kest.Exe", "RApi.Dll", "Install.Msg", "Common.801", "LangEng.801"},
         {},
         true},
        {"compressed program and library",
         {"Kest.Ex_", "RApi.Dl_", "Install.Msg", "Common.801", "LangEng.801"},
         {},
         true},
        {"names in another case",
         {"kest.exe", "rapi.dll", "INSTALL.MSG", "common.801", "lang.x"},
         {},
         true},
        {"language module as a folder",
         {"Kest.Exe", "RApi.Dll", "Install.Msg", "Common.801"},
         {"LangEng"},
         true},
        {"only the XP program",
         {"KestXP.Exe", "RApi.Dll", "Install.Msg", "Common.801", "Lang.1"},
         {},
         false},
        {"only the compressed XP program",
         {"KestXP.Ex_", "RApi.Dll", "Install.Msg", "Common.801", "Lang.1"},
         {},
         false},
        {"no library", {"Kest.Exe", "Install.Msg", "Common.801", "Lang.1"}, {}, false},
        {"no message file", {"Kest.Exe", "RApi.Dll", "Common.801", "Lang.1"}, {}, false},
        {"message file is a folder",
         {"Kest.Exe", "RApi.Dll", "Common.801", "Lang.1"},
         {"Install.Msg"},
         false},
        {"program is a folder",
         {"RApi.Dll", "Install.Msg", "Common.801", "Lang.1"},
         {"Kest.Exe"},
         false},
        {"no common module", {"Kest.Exe", "RApi.Dll", "Install.Msg", "Lang.1"}, {}, false},
        {"no language module", {"Kest.Exe", "RApi.Dll", "Install.Msg", "Common.801"}, {}, false},
        {"language name without dot still matches",
         {"Kest.Exe", "RApi.Dll", "Install.Msg", "Common.801", "LangDeu"},
         {},
         true},
    };
    for (const Case& c : cases) {
        winsim::Machine fresh;
        fresh.AddFolder("C:\\Medium");
        for (const auto& name : c.files) fresh.AddFile("C:\\Medium\\" + name, "x");
        for (const auto& name : c.folders) fresh.AddFolder("C:\\Medium\\" + name);
        EXPECT_EQ(InstallFilesPresent("C:\\Medium\\"), c.complete) << c.what;
        EXPECT_TRUE(fresh.boxes.empty()) << c.what;
    }
}

TEST_F(InstallFilesTest, MissingFolderIsIncompleteAndSilent) {
    EXPECT_FALSE(InstallFilesPresent("C:\\Nowhere\\"));
    EXPECT_FALSE(InstallFilesPresent(""));
    EXPECT_TRUE(machine.boxes.empty());
}

TEST_F(InstallFilesTest, StartupErrorCarriesTheDownloadHint) {
    ShowStartupError("Program not properly installed");
    ASSERT_EQ(machine.boxes.size(), 1u);
    EXPECT_EQ(machine.boxes[0].caption, "Check Startup");
    EXPECT_EQ(machine.boxes[0].text,
              "Program not properly installed. Download latest program from "
              "www.tessaly.example/download/ftp.tessaly.example/pub and reinstall.");
    EXPECT_EQ(machine.boxes[0].style, static_cast<UINT>(MB_OK));
}

}  // namespace
