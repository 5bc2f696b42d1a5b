"""The demo's story (story.py) as a Wine test: the same steps and the same checks, so that
`make demo` cannot quietly stop doing what it shows."""

import os
import tempfile
import unittest

import screen
from harness import WineMachine
from story import Story


class StoryTest(unittest.TestCase):
    def tell(self, windows=None):
        lines = []
        with tempfile.TemporaryDirectory() as pictures:
            with WineMachine(self.id()) as w:
                story = Story(w, lines.append, pictures=pictures, windows=windows)
                failures = story.tell()
            saved = sorted(os.listdir(pictures))
        account = "\n".join(lines)
        self.assertEqual(failures, [], account)
        # Every box pictured: the missing product twice, the uninstall's two boxes.
        self.assertEqual(saved, ["01-check-startup.png", "02-uninstall.png", "03-uninstall.png",
                                 "04-check-startup.png"], account)
        self.assertGreater(story.checks, 50)

    @unittest.skipUnless(screen.available(), "xwd is missing (make deps)")
    def test_the_life_of_an_installation(self):
        self.tell()

    @unittest.skipUnless(screen.available(), "xwd is missing (make deps)")
    def test_the_life_of_an_installation_on_windows_98(self):
        self.tell("win98")


if __name__ == "__main__":
    unittest.main()
