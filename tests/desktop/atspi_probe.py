"""Reads the program's controls as a screen reader does, over the AT-SPI bus,
and presses one button through it.
    atspi_probe.py APPLICATION_NAME BUTTON_TO_PRESS
Prints each control as "role: name" and exits 1 if the application is not on
the bus or the button cannot be pressed; a button named "-" presses nothing."""
import sys
import time

import pyatspi


def find_application(name):
    for _ in range(100):
        for application in pyatspi.Registry.getDesktop(0):
            if application is not None and application.name == name:
                return application
        time.sleep(0.1)
    return None


def controls(node):
    for child in node:
        if child is None:
            continue
        if child.name:
            yield child
        yield from controls(child)


def main():
    application = find_application(sys.argv[1])
    if application is None:
        print(f"{sys.argv[1]} is not on the accessibility bus", file=sys.stderr)
        return 1
    pressed = False
    for control in controls(application):
        print(f"{control.getRoleName()}: {control.name}")
        if control.name == sys.argv[2] and not pressed:
            action = control.queryAction()
            names = [action.getName(i) for i in range(action.nActions)]
            pressed = "Press" in names and action.doAction(names.index("Press"))
    if not pressed and sys.argv[2] != "-":
        print(f"could not press {sys.argv[2]}", file=sys.stderr)
        return 1
    return 0


sys.exit(main())
