#!/usr/bin/env bash
# Installs what is missing, builds a release of Zembra and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake --preset release
cmake --build --preset release
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Zembra is built (build/release/bin/zembra), but there is no display to show its window." >&2
  echo "Run it from a desktop session, or under Xvfb: xvfb-run -a build/release/bin/zembra" >&2
  exit 1
fi
exec build/release/bin/zembra "$@"
