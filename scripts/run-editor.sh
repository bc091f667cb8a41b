#!/usr/bin/env bash
# Writes the demo databases into <build>/samples and starts the editor.
# Called by `make run` with the build folder as its argument. On a machine
# without a display the editor runs under xvfb-run, a virtual display.
set -euo pipefail
build=${1:-build/default}
samples="$build/samples"

"$samples/make_demo_databases" "$samples" >/dev/null
echo "Demo databases: $samples/demo-crc.db and $samples/demo-sum.db"
echo "Open one with the folder button of the editor, pick a table, and edit, add, remove or export."

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/zebedit/zebedit"
fi

echo "No display found: starting the editor under xvfb-run, on a virtual display that nobody sees."
echo "To see the window, run this on a machine with a desktop (or with X forwarding: ssh -X),"
echo "  $build/zebedit/zebedit"
echo "Press Ctrl+C to stop it."
exec xvfb-run -a "$build/zebedit/zebedit"
