#!/usr/bin/env bash
# Sets up (packages, configure, build) and starts vorkan42 in the current working folder.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh" "$here/build" >&2
exec "$here/build/vorkan42" "$@"
