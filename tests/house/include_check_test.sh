#!/usr/bin/env bash
# The include check passes on the tree and fails on a copy with one include
# that points up a layer, or Qt in the core.
set -euo pipefail
check="$1/scripts/check-includes.py"
"$check" "$1"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/songfile" "$scratch/platform"
echo '#include "gui/window_zembra.h"' > "$scratch/songfile/upward.cpp"
if "$check" "$scratch" 2>/dev/null; then
  echo "an include of gui/ from songfile/ was not caught" >&2
  exit 1
fi
rm "$scratch/songfile/upward.cpp"
echo '#include <QString>' > "$scratch/platform/qt.h"
if "$check" "$scratch" 2>/dev/null; then
  echo "Qt in platform/ was not caught" >&2
  exit 1
fi
