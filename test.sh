#!/usr/bin/env bash
# Installs what is missing, builds Zembra with AddressSanitizer and
# UndefinedBehaviorSanitizer, fuzzes the readers of untrusted files for about a
# minute, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/check-format.sh
scripts/check-includes.py
cmake --preset asan
cmake --build --preset asan
scripts/fuzz.sh
ctest --preset asan -j2
