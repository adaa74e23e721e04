#!/usr/bin/env bash
# Sets up and builds, then starts TVXv17.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if [ ! -x build/bin/TVXv17 ]; then
    echo "The window is not built yet: only the core and its tests exist so far."
    exit 0
fi
exec build/bin/TVXv17
