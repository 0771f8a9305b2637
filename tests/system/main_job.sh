#!/usr/bin/env bash
# Runs the real program once under Wine on a freshly staged prefix and reports what happened:
# exit code, windows shown, spooler state, files left in the driver directory.
# Uses the caller's X display when it is reachable, an X server of its own otherwise.
# Usage: main_job.sh ABS_X86_64_BUILD_DIR
set -euo pipefail
if (($# != 1)); then
    echo "usage: $0 ABS_X86_64_BUILD_DIR" >&2
    exit 2
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
PYTHONDONTWRITEBYTECODE=1 exec /usr/bin/python3 "$here/wine_harness.py" main-job "$1"
