#!/usr/bin/python3
"""Walks the program's windows through AT-SPI as a screen reader would.

Usage: a11y_walk.py <program folder> <log file>
Starts the program (the caller has set up the display, the session bus, the
virtual keyboard and QT_LINUX_ACCESSIBILITY_ALWAYS_ON), then for the main
window, the key assignment dialog and the profile manager in turn checks one
table of expectations: every shown control has a name that is no skin key,
the named controls have their role and state, the actions and the slider's
value work, and Tab reaches every enabled control once.
"""
import re
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

PROGRAM_FOLDER, LOG = sys.argv[1], sys.argv[2]
MAIN_CAPTION = "Quorvane Keyboard Settings"
ASSIGN_CAPTION = "Key Assignment"
MANAGER_CAPTION = "Profile Manager"
# How the skin's layout spells its keys: TAVRIN_LINK, FUNC_REPORT1, CONTROL_XGcombox.
SKIN_KEY = re.compile(r"^[A-Z][A-Za-z0-9]*_[A-Za-z0-9_]+$")

failures = 0


def fail(message):
    global failures
    failures += 1
    print("FAIL:", message, flush=True)


def passed(message):
    print("ok:", message, flush=True)


def pump(seconds):
    """Lets AT-SPI's events arrive for a while."""
    context = GLib.MainContext.default()
    end = time.time() + seconds
    while time.time() < end:
        while context.iteration(False):
            pass
        time.sleep(0.02)


def wait_for(condition, seconds=20):
    end = time.time() + seconds
    while time.time() < end:
        result = condition()
        if result:
            return result
        pump(0.1)
    return None


def has(node, state):
    return node.getState().contains(state)


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "Quorvane":
            return app
    return None


def window(caption):
    app = application()
    if app is None:
        return None
    for child in app:
        if child is not None and child.name == caption and has(child, pyatspi.STATE_SHOWING):
            return child
    return None


def shown_controls(win):
    """The window's own controls that are on the screen now."""
    return [c for c in win if c is not None and has(c, pyatspi.STATE_SHOWING)]


def named(win, name, role=None):
    for c in shown_controls(win):
        if c.name == name and (role is None or c.getRoleName() == role):
            return c
    return None


def identity(node):
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (node.getRoleName(), e.x, e.y, e.width, e.height)


def describe(node):
    return f"{node.getRoleName()} '{node.name}'"


def do_action(node, name):
    actions = node.queryAction()
    for i in range(actions.nActions):
        if actions.getName(i) == name:
            return actions.doAction(i)
    fail(f"{describe(node)} has no action {name!r}")
    return False


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=False, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def focus_window(caption):
    ids = subprocess.run(["xdotool", "search", "--name", f"^{caption}$"],
                         capture_output=True, text=True).stdout.split()
    if ids:
        xdotool("windowfocus", "--sync", ids[-1])
    pump(0.3)


def check_names(win, what):
    """No shown control is nameless or goes by a skin key; a list has a label."""
    bad = []
    for c in shown_controls(win):
        role = c.getRoleName()
        if role == "combo box":
            # A list says its entry; what it is comes from its label.
            labels = [r for r in c.getRelationSet()
                      if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
            if not labels:
                bad.append(f"{describe(c)} without a label")
            continue
        if not c.name or SKIN_KEY.match(c.name):
            bad.append(describe(c))
    if bad:
        fail(f"{what}: controls without a proper name: {', '.join(bad)}")
    else:
        passed(f"{what}: every shown control has a language name")


def check_table(win, what, table):
    """Each row: name, role, checked (None: not looked at)."""
    for name, role, checked in table:
        node = named(win, name, role) or named(win, name)
        if node is None:
            fail(f"{what}: no shown control named {name!r}")
            continue
        if node.getRoleName() != role:
            fail(f"{what}: {name!r} is a {node.getRoleName()}, not a {role}")
        elif checked is not None and has(node, pyatspi.STATE_CHECKED) != checked:
            fail(f"{what}: {name!r} {'is not' if checked else 'is'} checked")
        else:
            passed(f"{what}: {name!r} is a {role}"
                   + ("" if checked is None else (" (checked)" if checked else " (unchecked)")))


def check_tab_round(win, caption, what, leave_field=False):
    """Tab from the focused control, as many times as there are enabled
    controls that take the focus: each is reached exactly once."""
    reachable = {identity(c) for c in shown_controls(win)
                 if has(c, pyatspi.STATE_FOCUSABLE) and has(c, pyatspi.STATE_ENABLED)}
    focused = []

    def on_focus(event):
        if event.detail1 == 1:
            try:
                focused.append((identity(event.source), describe(event.source)))
            except Exception:  # a node that went away meanwhile
                pass

    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
    focus_window(caption)
    focused.clear()
    # From the capture field (which takes Tab as the key to send) Ctrl+Tab
    # leaves; Tab then goes round back into the field.
    keys = ["ctrl+Tab"] + ["Tab"] * (len(reachable) - 1) if leave_field else \
        ["Tab"] * len(reachable)
    xdotool("key", "--delay", "40", *keys)
    # A busy machine may tell the moves late: wait for all of them, then a
    # little longer for any one too many.
    wait_for(lambda: len([f for f in focused if f[0] in reachable]) >= len(reachable), 20)
    pump(0.5)
    pyatspi.Registry.deregisterEventListener(on_focus, "object:state-changed:focused")
    # A combo box's own parts may report focus too: only the window's controls count.
    seen = [f for f in focused if f[0] in reachable]
    ids = [f[0] for f in seen]
    twice = {d for i, d in seen if ids.count(i) > 1}
    missed = reachable - set(ids)
    if len(reachable) < 3:
        fail(f"{what}: only {len(reachable)} controls take the focus")
    elif twice or missed or len(ids) != len(reachable):
        fail(f"{what}: Tab reached {len(ids)} of {len(reachable)} controls; twice: "
             f"{sorted(twice)}; never: {sorted(missed)}; order: {[d for _, d in seen]}")
    else:
        passed(f"{what}: Tab reaches each of the {len(reachable)} enabled controls once")


def main_window():
    win = window(MAIN_CAPTION)
    check_names(win, "main window")
    check_table(win, "main window", [
        ("Open the web site", "push button", None),
        ("Profile Manager", "push button", None),
        ("Profile 1", "check box", True),
        ("Profile 2", "check box", False),
        ("125 Hz", "check box", None),
        ("1000 Hz", "check box", None),
        ("Edit lighting", "check box", None),
        ("Caps Lock", "label", None),
        ("G1", "push button", None),
        ("G9", "push button", None),
        ("Esc", "push button", None),
        ("OK", "push button", None),
        ("Cancel", "push button", None),
    ])
    # Exactly one profile and one report rate say they are checked.
    for group, names in (("profile", ["Profile 1", "Profile 2", "Profile 3"]),
                         ("report rate", ["125 Hz", "250 Hz", "500 Hz", "1000 Hz"])):
        checked = [n for n in names if named(win, n) and has(named(win, n), pyatspi.STATE_CHECKED)]
        if len(checked) == 1:
            passed(f"main window: the {group} buttons say {checked[0]} is checked")
        else:
            fail(f"main window: checked {group} buttons: {checked}")

    # A key describes its assignment.
    key = named(win, "A", "push button")
    if key is not None and key.description:
        passed(f"main window: key A describes its assignment: {key.description!r}")
    else:
        fail("main window: key A has no description")

    # The profile buttons switch the keyboard's profile by their action.
    do_action(named(win, "Profile 2"), "Toggle")
    if wait_for(lambda: has(named(win, "Profile 2"), pyatspi.STATE_CHECKED)
                and not has(named(win, "Profile 1"), pyatspi.STATE_CHECKED)):
        passed("main window: Profile 2's action checks it")
    else:
        fail("main window: Profile 2's action did not check it")

    # The lamp switch toggles by its action; with the lamp on, the brightness
    # slider shows and its value reads and sets.
    lamp = named(win, "Edit lighting", "check box")
    if lamp is not None:
        was = has(lamp, pyatspi.STATE_CHECKED)
        if not was:
            do_action(lamp, "Toggle")
        if wait_for(lambda: has(named(win, "Edit lighting", "check box"), pyatspi.STATE_CHECKED)):
            passed("main window: the lamp switch turns on by its action")
        else:
            fail("main window: the lamp switch stayed off after its action")
    slider = wait_for(lambda: named(win, "Brightness", "slider"), 5)
    if slider is None:
        fail("main window: no brightness slider with the lamp on")
    else:
        value = slider.queryValue()
        start = int(value.currentValue)
        target = 1 if start != 1 else 3
        value.currentValue = target
        if wait_for(lambda: int(named(win, "Brightness", "slider").queryValue().currentValue)
                    == target, 5) and value.maximumValue == 4:
            passed(f"main window: the brightness slider reads {start} and sets {target}")
        else:
            fail(f"main window: brightness set to {target} reads "
                 f"{named(win, 'Brightness', 'slider').queryValue().currentValue}")
    check_tab_round(win, MAIN_CAPTION, "main window")
    if lamp is not None:
        do_action(named(win, "Edit lighting", "check box"), "Toggle")
        if wait_for(lambda: not has(named(win, "Edit lighting", "check box"),
                                    pyatspi.STATE_CHECKED)):
            passed("main window: the lamp switch turns off by its action")
        else:
            fail("main window: the lamp switch stayed on after its action")


def assignment_dialog():
    main = window(MAIN_CAPTION)
    do_action(named(main, "A", "push button"), "Press")
    win = wait_for(lambda: window(ASSIGN_CAPTION))
    if win is None:
        fail("the key's action opened no assignment dialog")
        return
    passed("key A's action opens the assignment dialog")
    wait_for(lambda: named(win, "OK"), 5)
    check_names(win, "assignment dialog")
    check_table(win, "assignment dialog", [
        ("Single Key", "check box", True),
        ("Macro", "check box", False),
        ("Close", "push button", None),
        ("OK", "push button", None),
        ("Cancel", "push button", None),
    ])
    field = next((c for c in shown_controls(win) if c.getRoleName() == "text"), None)
    labels = [] if field is None else [
        r.getTarget(i).name for r in field.getRelationSet()
        if r.getRelationType() == pyatspi.RELATION_LABELLED_BY for i in range(r.getNTargets())]
    if labels == ["Press the key to send:"] and field.name == "Press the key to send:":
        passed("assignment dialog: the capture field is labelled 'Press the key to send:'")
    else:
        fail(f"assignment dialog: capture field {None if field is None else field.name!r} "
             f"labelled by {labels}")
    check_tab_round(win, ASSIGN_CAPTION, "assignment dialog", leave_field=True)
    do_action(named(win, "Cancel"), "Press")
    if wait_for(lambda: window(ASSIGN_CAPTION) is None, 5):
        passed("assignment dialog: Cancel's action closes it")
    else:
        fail("assignment dialog: Cancel's action left it open")


def profile_manager():
    main = window(MAIN_CAPTION)
    do_action(named(main, "Profile Manager"), "Press")
    win = wait_for(lambda: window(MANAGER_CAPTION))
    if win is None:
        fail("the Profile Manager button's action opened nothing")
        return
    wait_for(lambda: named(win, "OK"), 5)
    check_names(win, "profile manager")
    check_table(win, "profile manager", [
        ("Profile files", "table", None),
        ("Add", "push button", None),
        ("Load", "push button", None),
        ("Delete", "push button", None),
        ("OK", "push button", None),
        ("Cancel", "push button", None),
        ("Apply", "push button", None),
    ])
    check_tab_round(win, MANAGER_CAPTION, "profile manager")
    do_action(named(win, "Cancel"), "Press")
    if wait_for(lambda: window(MANAGER_CAPTION) is None, 5):
        passed("profile manager: Cancel's action closes it")
    else:
        fail("profile manager: Cancel's action left it open")


def main():
    with open(LOG, "ab") as log:
        program = subprocess.Popen([f"{PROGRAM_FOLDER}/quorvane"], stdout=log, stderr=log)
    try:
        if wait_for(lambda: window(MAIN_CAPTION) and named(window(MAIN_CAPTION), "OK"), 40) is None:
            fail("the main window never showed in the accessibility tree")
            return
        for check in (main_window, assignment_dialog, profile_manager):
            try:
                check()
            except Exception as error:  # a broken tree is a failure, not a crash
                fail(f"{check.__name__}: {error!r}")
    finally:
        program.terminate()
        try:
            program.wait(10)
        except subprocess.TimeoutExpired:
            program.kill()


main()
print(f"{failures} failure(s)")
sys.exit(1 if failures else 0)
