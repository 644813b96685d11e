#!/usr/bin/env bash
# The three skinned windows as a screen-reader user meets them: the real
# program on the virtual keyboard under Xvfb, its accessibility tree read
# through AT-SPI on a private session bus (a11y_walk.py does the walking).
# Usage: a11y_e2e.sh <program folder>
set -u
. "$(dirname "$0")/e2e_common.sh" "$1" qa11y
start_xvfb
export LC_ALL=C LANG=C
unset QUELLIX_RECORD
new_user reader
export QUELLIX_DEVICE=virtual QUELLIX_VIRTUAL_STATE="$HOME/keyboard.state"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

# python3-pyatspi lives beside Debian's own interpreter.
dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/a11y_walk.py" "$bin" "$work/log" \
    2> >(grep -v -e 'Failed to set fd limit' -e 'Activating service' \
             -e 'Successfully activated' -e 'SpiRegistry daemon' >&2)
status=$?
if [ "$status" -ne 0 ]; then
    echo "--- program log"
    cat "$work/log" 2>/dev/null
    exit 1
fi
exit 0
