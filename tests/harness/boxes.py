"""The windows a program shows: answered or described by tests/win/answerbox.exe in the
same Wine environment (by keyboard, so a class that answers boxes needs the display's
keyboard to itself), and pictured from the display."""
import contextlib
import threading
import time

from harness.wine import wait_for


def answer(wine, title, key, timeout=60):
    """Waits for a window titled exactly title and answers it with key (a letter,
    "Return", or "Close" for a close request), or with "Describe" leaves it open and
    returns its class and child windows' texts as answerbox printed them; fails when no
    such window came."""
    result = wine.run(wine.build.helper("answerbox"), title, key, str(timeout), timeout=timeout + 30)
    if result.returncode != 0:
        raise AssertionError("no window %r was answered with %s; windows open: %s"
                             % (title, key, wine.windows_on_display()))
    return result.stdout.decode("latin-1").replace("\r\n", "\n").splitlines()


@contextlib.contextmanager
def answering(wine, title, key, timeout=60):
    """While the block runs, waits for a window titled exactly title and answers it with
    key; yields a list that holds True once it was answered."""
    answered = []

    def answer_it():
        result = wine.run(wine.build.helper("answerbox"), title, key, str(timeout), timeout=timeout + 30)
        if result.returncode == 0:
            answered.append(True)

    helper = threading.Thread(target=answer_it)
    helper.start()
    try:
        yield answered
    finally:
        helper.join()


def visible_window(wine, title_pattern):
    """The X id of a visible window whose title matches the regular expression, or None."""
    found = wine.shell("xdotool", "search", "--onlyvisible", "--name", title_pattern, capture_output=True,
                       text=True).stdout.split()
    return found[0] if found else None


def picture(wine, title_pattern, png, seconds=60, settle=1.0):
    """Saves a picture of the window whose title matches title_pattern once it shows
    (settle seconds later, so that it has painted itself, frame included)."""
    window = wait_for(lambda: visible_window(wine, title_pattern), seconds, "window %r" % title_pattern)
    time.sleep(settle)
    wine.shell("import", "-frame", "-window", window, png, check=True)
