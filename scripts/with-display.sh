#!/usr/bin/env bash
# Runs a command with an X display: the one DISPLAY names, or else a private Xvfb started for the
# command and stopped after it (xvfb-run), as on CI, which runs as root with no display. The
# native tests open editor windows (X11) and read their pixels back.
# Usage: scripts/with-display.sh COMMAND [ARGS...]
set -euo pipefail
if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$@"
