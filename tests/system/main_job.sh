#!/usr/bin/env bash
# Runs the real program once under Wine on a freshly staged prefix, answers it like a user
# taking the defaults, and reports what happened: the boxes as the user saw them, the driver,
# the queue, the monitor port settings, the files; screenshots of every dialog and box.
# Uses the caller's X display when it is reachable, an X server of its own otherwise;
# QAR_MAIN_JOB_MANUAL=1 leaves the answers to a human on that display.
# Usage: main_job.sh ABS_X86_64_BUILD_DIR
set -euo pipefail
if (($# != 1)); then
    echo "usage: $0 ABS_X86_64_BUILD_DIR" >&2
    exit 2
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$here"
PYTHONDONTWRITEBYTECODE=1 exec /usr/bin/python3 "$here/main_job.py" "$1"
