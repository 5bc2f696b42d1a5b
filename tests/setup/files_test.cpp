// The installation-file check.
#include "SetupA.h"
#include "SetupFiles.h"
#include "SetupFixture.h"

namespace {

class InstallFilesTest : public SimTest {};

TEST_F(InstallFilesTest, CompleteOnlyWithEveryKindOfFile) {
    struct Case {
        const char* what;
        std::vector<std::string> files;
        const char* folder;  // a sub-folder, or nullptr
        bool complete;
    } cases[] = {
        {"plain", {"Kest.Exe", "RApi.Dll", "Install.Msg", "Common.801", "Lang.1"}, nullptr, true},
        {"compressed",
         {"Kest.Ex_", "RApi.Dl_", "Install.Msg", "Common.801", "Lang"},
         nullptr,
         true},
        {"other case, language folder",
         {"kest.exe", "rapi.dll", "INSTALL.MSG", "common.801"},
         "LangEng",
         true},
        {"only the XP program",
         {"KestXP.Exe", "RApi.Dll", "Install.Msg", "Common.801", "Lang.1"},
         nullptr,
         false},
        {"message file is a folder",
         {"Kest.Exe", "RApi.Dll", "Common.801", "Lang.1"},
         "Install.Msg",
         false},
        {"no library", {"Kest.Exe", "Install.Msg", "Common.801", "Lang.1"}, nullptr, false},
        {"no common module", {"Kest.Exe", "RApi.Dll", "Install.Msg", "Lang.1"}, nullptr, false},
        {"no language module",
         {"Kest.Exe", "RApi.Dll", "Install.Msg", "Common.801"},
         nullptr,
         false},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        for (const auto& name : c.files) fresh.AddFile("C:\\Medium\\" + name, "x");
        if (c.folder) fresh.AddFolder(std::string("C:\\Medium\\") + c.folder);
        EXPECT_EQ(InstallFilesPresent("C:\\Medium\\"), c.complete) << c.what;
        EXPECT_EQ(BoxesOf(fresh), Strings{}) << c.what;
    }
}

}  // namespace
