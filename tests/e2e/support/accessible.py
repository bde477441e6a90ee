#!/usr/bin/env python3
"""Finds a control of the running app by its window, role and accessible name over AT-SPI.

    accessible.py [--focus] WINDOW ROLE NAME
    accessible.py --text WINDOW ROLE NAME
    accessible.py --role WINDOW

WINDOW is the title of one of the app's top-level windows, ROLE an AT-SPI role name ("push
button", "page tab", "text", ...), NAME the control's accessible name. Prints the first control on
screen that matches as "x y width height focused" (screen coordinates, focused 0 or 1) and exits
0; exits 1 when none is on screen yet, so that the caller can poll. With --focus, the control is
asked to take the keyboard focus first (the state printed may not show it yet). With --role,
prints the role name of the window itself ("frame", "dialog", ...) once it is on screen. With
--text, prints the text the control holds instead of its place.
"""
import sys

import pyatspi


def showing(accessible):
    states = accessible.getState()
    return states.contains(pyatspi.STATE_SHOWING) and states.contains(pyatspi.STATE_VISIBLE)


def windows(window_title):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        for window in app:
            if window is not None and window.name == window_title and showing(window):
                yield window


def find(window_title, role, name):
    for window in windows(window_title):
        match = pyatspi.findDescendant(
            window,
            lambda a: a is not None and a.name == name and a.getRoleName() == role and showing(a))
        if match is not None:
            return match
    return None


def main():
    arguments = sys.argv[1:]
    if arguments[:1] == ["--role"] and len(arguments) == 2:
        try:
            window = next(windows(arguments[1]), None)
            role = window.getRoleName() if window is not None else None
        except Exception as error:  # the app or the window went while the tree was read
            print(error, file=sys.stderr)
            return 1
        if role is None:
            return 1
        print(role)
        return 0
    focus = arguments[:1] == ["--focus"]
    text = arguments[:1] == ["--text"]
    if focus or text:
        arguments = arguments[1:]
    if len(arguments) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        control = find(*arguments)
        if control is not None and focus:
            control.queryComponent().grabFocus()
    except Exception as error:  # the app or a window went while the tree was read
        print(error, file=sys.stderr)
        return 1
    if control is None:
        return 1
    if text:
        try:
            sys.stdout.write(control.queryText().getText(0, -1))
        except Exception as error:  # no text interface, or the control went
            print(error, file=sys.stderr)
            return 1
        return 0
    x, y, width, height = control.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    focused = control.getState().contains(pyatspi.STATE_FOCUSED)
    print(x, y, width, height, int(focused))
    return 0


if __name__ == "__main__":
    sys.exit(main())
