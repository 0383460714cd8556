#!/usr/bin/env bash
# Runs a command as the application's tests need it: on a virtual X display of its own, with a
# private session bus (one instance per user is a bus name) and GTK's cairo renderer.
set -euo pipefail
export GSK_RENDERER=cairo
# Nothing is drawn with OpenGL, so the GL drivers need not load at all.
export GDK_DEBUG=gl-disable
# Under AddressSanitizer, whole allocation stacks: GTK's libraries have no frame pointers, and
# the leak suppressions need to see where an allocation began.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0"
# The accessibility properties stay in the process, where the tests read them; no AT-SPI bus.
export GTK_A11Y=test
exec xvfb-run -a -s "-screen 0 1400x900x24 -nolisten tcp" dbus-run-session -- "$@"
