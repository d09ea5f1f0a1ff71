#!/usr/bin/env bash
# Fails when a C++ file in the tree is not formatted by .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' | while read -r f; do [ -f "$f" ] && echo "$f"; done)
[ ${#files[@]} -eq 0 ] && exit 0
if ! clang-format --dry-run -Werror "${files[@]}"; then
  echo "Formatting differs from .clang-format; run: clang-format -i <files>" >&2
  exit 1
fi
