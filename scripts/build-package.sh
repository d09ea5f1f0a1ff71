#!/usr/bin/env bash
# Builds the Debian package of Zembra from a release build and says where it is:
#   sudo apt-get install ./build/release/zembra_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release
cmake --build --preset release --target package
echo "Package: $(ls -t "$PWD"/build/release/zembra_*.deb | head -n 1)"
