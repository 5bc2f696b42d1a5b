"""The demo: the life of one installation under Wine (story.py), told on the terminal, kept as
an account with a picture of every box, and checked.

  demo.py <Windows build folder> <output folder>

Writes <output folder>/account.txt and <output folder>/boxes/*.png; exits 0 only when every
step did what it should. Choices, from the environment:
  KEST_DEMO_WINDOWS=win98|winxp|win10  Wine poses as that Windows (also nt40, win2k, win7)
  KEST_DEMO_BY_HAND=1                  the boxes come up on your own display ($DISPLAY) and
                                       you answer them; the checks then follow your answers
"""

import os
import shutil
import sys
import time

import screen
from harness import REPO, WINDOWS_VERSIONS, HarnessError, WineMachine
from product import LAUNCHER, UNINSTALLER
from story import Story


def fail(text):
    sys.stderr.write("demo: %s\n" % text)
    sys.exit(2)


def main():
    if len(sys.argv) != 3:
        fail("usage: demo.py <Windows build folder> <output folder>")
    win_build, out = (os.path.abspath(a) for a in sys.argv[1:])
    windows = os.environ.get("KEST_DEMO_WINDOWS") or None
    if windows and windows not in WINDOWS_VERSIONS:
        fail("KEST_DEMO_WINDOWS=%s: not one of %s" % (windows, ", ".join(WINDOWS_VERSIONS)))
    by_hand = os.environ.get("KEST_DEMO_BY_HAND") == "1"
    display = None
    if by_hand:
        display = os.environ.get("DISPLAY")
        if not display:
            fail("KEST_DEMO_BY_HAND=1 needs a display of your own (DISPLAY is not set)")
    pictures = os.path.join(out, "boxes")
    shutil.rmtree(pictures, ignore_errors=True)
    os.makedirs(pictures)
    if not screen.available():
        fail("xwd is missing (make deps)")
    account_path = os.path.join(out, "account.txt")

    def shown_as(path):
        return os.path.relpath(path, REPO)

    started = time.monotonic()
    with open(account_path, "w", encoding="utf-8") as account:
        def say(line):
            print(line, flush=True)
            account.write(line + "\n")

        say("Tessaly maintenance tool: %s and %s under Wine" % (LAUNCHER, UNINSTALLER))
        try:
            with WineMachine("demo", win_build=win_build, display=display) as w:
                story = Story(w, say, pictures=pictures, windows=windows, by_hand=by_hand,
                              shown_as=shown_as)
                failures = story.tell()
        except HarnessError as error:
            say("")
            say("The demo could not go on: %s" % error)
            failures = ["harness: %s" % error]
            story = None
        say("")
        if story is not None:
            say("Pictures of the %d boxes: %s/" % (len(story.saved_pictures),
                                                   shown_as(pictures)))
        say("This account: %s" % shown_as(account_path))
        if failures:
            say("%d of the checks FAILED:" % len(failures))
            for failure in failures:
                say("  " + failure)
        else:
            say("All %d checks passed (%.0f s)." % (story.checks, time.monotonic() - started))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
