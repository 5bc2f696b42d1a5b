"""winsim's table of system calls (tests/replay/winsim.table) replayed on the platform through
probe.exe: Wine must give the answers the table expects, the answers the host test expects
from winsim (tools/Replay.h describes the table)."""

import os
import unittest

from harness import WineTestCase

TABLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "replay",
                     "winsim.table")


def table_cases():
    """(line number, call, answer expected from the platform) of each case of the table."""
    cases = []
    with open(TABLE, "rb") as f:
        lines = f.read().decode("latin-1").split("\n")
    for number, line in enumerate(lines, 1):
        line = line.rstrip("\r")
        if not line.strip() or line.strip().startswith("#"):
            continue
        call = line.split(" | ")[0].split(" => ")[0].strip()
        answers = line.split(" => ", 1)[1].split(" !! ")
        cases.append((number, call, answers[0].strip()))
    return cases


class ReplayTest(WineTestCase):
    def test_the_platform_answers_as_the_table_says(self):
        w = self.wine
        with open(TABLE, "rb") as f:
            w.put_file("C:\\replay.table", f.read())
        result = w.probe("Replay", "C:\\replay.table")
        self.assertTrue(result.ok, result.status)
        got = {}
        for line in result.lines:
            number, _, answer = line.partition(" ")
            got[int(number)] = answer
        # KEST_REPLAY_DUMP names a file for every answer the platform gave, to write new cases.
        if os.environ.get("KEST_REPLAY_DUMP"):
            with open(os.environ["KEST_REPLAY_DUMP"], "w") as dump:
                dump.writelines("%d\t%s\n" % item for item in sorted(got.items()))
        cases = table_cases()
        calls = set()
        for number, call, expected in cases:
            calls.add(call)
            with self.subTest(line=number, call=call):
                self.assertEqual(got.get(number), expected)
        print("replay on Wine: %d cases of %d calls" % (len(cases), len(calls)))


if __name__ == "__main__":
    unittest.main()
