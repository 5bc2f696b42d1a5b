// The replay table against the simulated Windows. The Wine test runs the same table
// through probe.exe against the platform; both expect the table's answers.
#include "Replay.h"

#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string TableText() {
    std::ifstream file(KEST_REPLAY_TABLE, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(Replay, WinsimAnswersAsTheTableSays) {
    winsim::Machine machine;
    machine.environment.clear();
    const std::vector<replay::Case> cases = replay::Parse(TableText());
    ASSERT_GT(cases.size(), 100u);
    // KEST_REPLAY_DUMP names a file for every answer winsim gave, to write new cases.
    std::unique_ptr<std::ofstream> dump;
    if (const char* name = std::getenv("KEST_REPLAY_DUMP")) dump.reset(new std::ofstream(name));
    int known = 0;
    std::set<std::string> calls;
    for (const replay::Case& c : cases) {
        ASSERT_NE(c.call, "?") << "line " << c.line << " is no case";
        const std::string got = replay::Run(c);
        if (dump) *dump << c.line << "\t" << got << "\n";
        const std::string expected = c.winsim.empty() ? c.platform : c.winsim;
        EXPECT_EQ(got, expected) << "line " << c.line << ": " << c.call
                                 << (c.winsim.empty() ? "" : " (marked: " + c.reason + ")");
        known += c.winsim.empty() ? 0 : 1;
        calls.insert(c.call);
    }
    EXPECT_EQ(machine.OpenHandles(), std::vector<std::string>());
    std::printf("replay: %zu cases of %zu calls, %d where winsim knowingly differs\n", cases.size(),
                calls.size(), known);
}

}  // namespace
