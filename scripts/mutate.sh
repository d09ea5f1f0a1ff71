#!/usr/bin/env bash
# Mutation check of the suite (not part of ./test.sh). Each slip listed in
# scripts/mutations.txt (a file and the exact text of one of its lines, with
# the line that replaces it) is applied alone to a scratch copy of the tree,
# which is rebuilt incrementally (Debug, no sanitizers, no GUI: the core and
# the plug-in must be guarded by Qt-free tests) and tested. A slip the suite
# passes "survived": a missing test or dead code. The file is restored after
# every slip, whatever happens; the real tree is never touched.
#
# Usage: scripts/mutate.sh [-l list] [-j jobs] [WORD...]
#   WORD      run only the slips whose file or line contains one of the WORDs
#   -l list   another slip list (default scripts/mutations.txt)
#   -j jobs   build and test jobs (default 2)
# The scratch copy lives in $ZEMBRA_MUTATE_DIR (default /tmp/zembra-mutate-$USER-<tree name>)
# and is kept between runs, so later runs rebuild only what changed.
# Exit status: 0 every slip killed, 1 some survived, 2 the check could not run.
set -u
set -o pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
list="$src/scripts/mutations.txt"
jobs=2
while getopts "l:j:" opt; do
  case $opt in
    l) list=$OPTARG ;;
    j) jobs=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
only=("$@")
scratch=${ZEMBRA_MUTATE_DIR:-/tmp/zembra-mutate-$(id -un)-$(basename "$src")}
tree="$scratch/tree"
build="$scratch/build"
log="$scratch/log"
[ -r "$list" ] || { echo "mutate: cannot read the slip list $list" >&2; exit 2; }

# Copies the tree into the scratch folder, rewriting only files whose bytes
# differ, so that the scratch build stays incremental.
sync_tree() {
  python3 - "$src" "$tree" <<'PY'
import filecmp, os, shutil, sys
src, dst = sys.argv[1], sys.argv[2]
skip = {".git", "build"}
seen = set()
for root, dirs, files in os.walk(src):
    dirs[:] = [d for d in dirs if d not in skip]
    rel = os.path.relpath(root, src)
    os.makedirs(os.path.join(dst, rel), exist_ok=True)
    seen.add(os.path.normpath(rel))
    for name in files:
        a, b = os.path.join(root, name), os.path.join(dst, rel, name)
        seen.add(os.path.normpath(os.path.join(rel, name)))
        if os.path.islink(a) or not os.path.isfile(a):
            continue
        if not os.path.exists(b) or not filecmp.cmp(a, b, shallow=False):
            shutil.copy2(a, b)
            os.utime(b)  # newer than anything built from the old copy
for root, dirs, files in os.walk(dst, topdown=False):
    for name in files + dirs:
        rel = os.path.normpath(os.path.relpath(os.path.join(root, name), dst))
        if rel not in seen:
            path = os.path.join(root, name)
            shutil.rmtree(path) if os.path.isdir(path) and not os.path.islink(path) else os.remove(path)
PY
}

# Prints the slips as records "file<US>old<US>new", one a line.
read_slips() {
  python3 - "$list" <<'PY'
import sys
path = sys.argv[1]
slip = {}
def emit():
    if slip:
        if set(slip) != {"file", "old", "new"}:
            sys.exit(f"mutate: incomplete slip in {path}: {slip}")
        print("\x1f".join([slip["file"], slip["old"], slip["new"]]))
        slip.clear()
for number, line in enumerate(open(path, encoding="utf-8"), 1):
    line = line.rstrip("\n")
    if not line.strip() or line.startswith("#"):
        continue
    kind, text = line[:1], line[2:].strip()
    if kind == "@":
        emit()
        slip["file"] = text
    elif kind in "-+" and "file" in slip:
        slip["old" if kind == "-" else "new"] = text
    else:
        sys.exit(f"mutate: {path}:{number}: expected '@ file', '- line' or '+ line'")
emit()
PY
}

# Replaces the one line of $1 whose text (spaces aside) is $2 by $3, keeping
# its indentation. Status 3: no such line; 4: more than one.
apply_slip() {
  python3 - "$1" "$2" "$3" <<'PY'
import sys
path, old, new = sys.argv[1:4]
lines = open(path, encoding="utf-8").read().split("\n")
found = [i for i, l in enumerate(lines) if l.strip() == old]
if len(found) != 1:
    sys.exit(3 if not found else 4)
i = found[0]
lines[i] = lines[i][: len(lines[i]) - len(lines[i].lstrip())] + new
open(path, "w", encoding="utf-8").write("\n".join(lines))
PY
}

mkdir -p "$scratch" "$log"
backup="$scratch/original"
current=""
restore() {
  if [ -n "$current" ] && [ -f "$backup" ]; then
    cp "$backup" "$tree/$current" && touch "$tree/$current"
    current=""
  fi
}
trap 'restore' EXIT
trap 'restore; echo "mutate: interrupted" >&2; exit 2' INT TERM HUP

# Read first: the list may be edited while the suite runs.
read_slips >"$scratch/slips" || exit 2
echo "mutate: copying the tree to $tree"
sync_tree || { echo "mutate: cannot copy the tree" >&2; exit 2; }
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZEMBRA_SANITIZE=OFF \
    -DZEMBRA_BUILD_GUI=OFF -DZEMBRA_BUILD_TESTS=ON >"$log/configure.txt" 2>&1 ||
    { echo "mutate: configuring failed, see $log/configure.txt" >&2; exit 2; }
fi

build_tree() { cmake --build "$build" -j "$jobs" </dev/null >"$1" 2>&1; }
run_suite() {
  (cd "$build" && ZEMBRA_TEST=1 ctest -j "$jobs" --timeout 120 --stop-on-failure \
    --output-on-failure) </dev/null >"$1" 2>&1
}
# The first failed test named in a ctest log.
first_failure() {
  grep -m1 -E '^[[:space:]]*[0-9]+ - ' "$1" | sed -E 's/^[[:space:]]*[0-9]+ - //; s/ \(.*//'
}

echo "mutate: building and testing the unchanged tree in $build"
build_tree "$log/baseline-build.txt" ||
  { echo "mutate: the unchanged tree does not build, see $log/baseline-build.txt" >&2; exit 2; }
run_suite "$log/baseline-test.txt" ||
  { echo "mutate: the suite fails without any slip, see $log/baseline-test.txt" >&2; exit 2; }

killed=0 survived=0 broken=0 skipped=0 number=0
survivors=()
while IFS=$'\x1f' read -r -u 3 file old new; do
  number=$((number + 1))
  if [ "${#only[@]}" -gt 0 ]; then
    wanted=""
    for word in "${only[@]}"; do [[ "$file$old" == *"$word"* ]] && wanted=1; done
    [ -n "$wanted" ] || continue
  fi
  what="#$number $file: $old"
  if [ ! -f "$tree/$file" ]; then
    echo "skipped   $what (the file is gone; update scripts/mutations.txt)"
    skipped=$((skipped + 1))
    continue
  fi
  cp "$tree/$file" "$backup"
  current=$file
  apply_slip "$tree/$file" "$old" "$new"
  case $? in
    0) ;;
    3) restore; echo "skipped   $what (the line is gone; update scripts/mutations.txt)"
       skipped=$((skipped + 1)); continue ;;
    *) restore; echo "skipped   $what (the line occurs more than once)"
       skipped=$((skipped + 1)); continue ;;
  esac
  if ! build_tree "$log/slip-$number-build.txt"; then
    echo "no build  $what"
    broken=$((broken + 1))
  elif run_suite "$log/slip-$number-test.txt"; then
    echo "SURVIVED  $what"
    survived=$((survived + 1))
    survivors+=("$what  ->  $new")
  else
    echo "killed    $what  [$(first_failure "$log/slip-$number-test.txt")]"
    killed=$((killed + 1))
  fi
  restore
done 3<"$scratch/slips"

# Leaves the scratch build matching the tree for the next run.
build_tree "$log/final-build.txt" >/dev/null 2>&1

total=$((killed + survived))
echo
echo "mutate: $killed killed, $survived survived, $broken did not build, $skipped skipped"
if [ "$total" -gt 0 ]; then
  echo "mutate: kill rate $killed/$total = $((100 * killed / total))%"
fi
for s in "${survivors[@]}"; do echo "  survived: $s"; done
[ "$survived" -eq 0 ]
