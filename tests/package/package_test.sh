#!/usr/bin/env bash
# Builds the Debian package from the release preset, checks it with lintian,
# unpacks it into a temporary root and runs what is there as an installed
# Zembra would run:
#  - the package's name, version, computed Depends and description;
#  - desktop entry, metadata, manual pages and completion as desktop tools read them;
#  - zembra-cli --version, and a song built with the root's own plug-in;
#  - the file manager's view: a song is the song type (by name and by content),
#    and the song type opens with zembra.desktop;
#  - the window's smoke test against the root's zembra and its plug-in.
# Skips (status 77) only when a packaging tool is missing.
set -u
source_dir=$(cd "${1:?usage: package_test.sh SOURCE_DIR VERSION}" && pwd)
version=${2:?usage: package_test.sh SOURCE_DIR VERSION}

skip() {
  echo "SKIP: $*"
  exit 77
}
fail() {
  echo "FAIL: $*"
  exit 1
}
ok() { echo "ok: $*"; }

missing=()
for tool in dpkg-deb dpkg-shlibdeps lintian help2man desktop-file-validate appstreamcli \
  update-mime-database update-desktop-database gio python3; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
[ ${#missing[@]} -eq 0 ] ||
  skip "packaging tools missing: ${missing[*]} (scripts/install-deps.sh installs them)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One release build beside the others; ccache makes a rebuild cheap.
cd "$source_dir" || fail "no source folder $source_dir"
build=$source_dir/build/release
cmake --preset release >"$work/configure.log" 2>&1 ||
  fail "cmake --preset release failed: $(tail -n 20 "$work/configure.log")"
cmake --build --preset release --target package >"$work/build.log" 2>&1 ||
  fail "building the package failed: $(tail -n 30 "$work/build.log")"
deb=$build/zembra_${version}_$(dpkg --print-architecture).deb
[ -s "$deb" ] || fail "no package $deb"
ok "built $(basename "$deb") ($(stat -c %s "$deb") bytes)"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = zembra ] || fail "package name is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "package version is '$(field Version)', not $version"
depends=$(field Depends)
for lib in libc6 libqt6widgets6 zlib1g; do
  [[ $depends == *"$lib "* ]] || fail "Depends lacks $lib: $depends"
done
[ "$(field Description | wc -l)" -ge 3 ] || fail "no long description: $(field Description)"
ok "control: version $version, Depends: $depends"

lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1
status=$?
grep -v 'running with root privileges' "$work/lintian.log" | sed 's/^/  lintian: /'
[ $status -eq 0 ] || fail "lintian reports errors"
ok "lintian: no errors"

root=$work/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
share=$root/usr/share
for file in usr/bin/zembra usr/bin/zembra-cli usr/lib/zembra/compressplugin.so \
  usr/share/applications/zembra.desktop usr/share/mime/packages/zembra.xml \
  usr/share/icons/hicolor/48x48/apps/zembra.png usr/share/icons/hicolor/128x128/apps/zembra.png \
  usr/share/icons/hicolor/scalable/apps/zembra.svg usr/share/man/man1/zembra.1.gz \
  usr/share/man/man1/zembra-cli.1.gz usr/share/bash-completion/completions/zembra-cli \
  usr/share/doc/zembra/copyright usr/share/doc/zembra/changelog.gz; do
  [ -s "$root/$file" ] || fail "not in the package: /$file"
done
desktop-file-validate "$share/applications/zembra.desktop" || fail "desktop entry invalid"
appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml >"$work/appstream.log" 2>&1 ||
  fail "metainfo invalid: $(cat "$work/appstream.log")"
ok "desktop entry and metainfo valid"

# Programs from the root; neither --version nor --help needs a display.
cli=$root/usr/bin/zembra-cli
[ "$(DISPLAY='' "$cli" --version)" = "zembra-cli $version" ] ||
  fail "zembra-cli --version says '$("$cli" --version)'"
[ "$(DISPLAY='' "$root/usr/bin/zembra" --version 2>&1)" = "zembra $version" ] ||
  fail "zembra --version says '$(DISPLAY='' "$root/usr/bin/zembra" --version 2>&1)'"
ok "both programs print version $version"

# Every subcommand has its section in the manual page.
page=$(gzip -dc "$share/man/man1/zembra-cli.1.gz")
subcommands=$("$cli" --help | sed -n '/^Subcommands:/,$s/^  \([a-z][a-z-]*\) .*/\1/p')
[ -n "$subcommands" ] || fail "zembra-cli --help lists no subcommands"
for sub in $subcommands; do
  grep -q "^\.SS \"zembra\\\\-cli $sub " <<<"$page" || fail "zembra-cli(1) lacks subcommand $sub"
done
for section in "EXIT STATUS" EXAMPLES; do
  grep -Eq "^\.SH \"?$section\"?\$" <<<"$page" || fail "zembra-cli(1) lacks $section"
  gzip -dc "$share/man/man1/zembra.1.gz" | grep -Eq "^\.SH \"?$section\"?\$" ||
    fail "zembra(1) lacks $section"
done
ok "manual pages: $(echo $subcommands | wc -w) subcommands, exit status, examples"

# Completion as bash offers it: subcommands, then a subcommand's options.
if [ -r /usr/share/bash-completion/bash_completion ]; then
  complete_words() {
    bash -c 'source /usr/share/bash-completion/bash_completion; source "$1"; shift
             COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
             _zembra_cli; echo "${COMPREPLY[*]}"' \
      _ "$share/bash-completion/completions/zembra-cli" "$@"
  }
  [ "$(complete_words zembra-cli bu)" = build ] || fail "completion of 'bu': $(complete_words zembra-cli bu)"
  [[ " $(complete_words zembra-cli build --o) " == *" --output "* ]] ||
    fail "completion of 'build --o': $(complete_words zembra-cli build --o)"
  # Values: a song where a song is asked for, a folder where a folder is.
  mkdir -p "$work/tab/folder" && touch "$work/tab/a.bjs" "$work/tab/b.json"
  [ "$(cd "$work/tab" && complete_words zembra-cli inspect '')" = "a.bjs folder" ] ||
    fail "completion of 'inspect ': $(cd "$work/tab" && complete_words zembra-cli inspect '')"
  [ "$(cd "$work/tab" && complete_words zembra-cli scan '')" = folder ] ||
    fail "completion of 'scan ': $(cd "$work/tab" && complete_words zembra-cli scan '')"
  ok "bash completion"
else
  echo "note: bash-completion not installed, completion not tried"
fi

# The root's zembra-cli packs with the root's plug-in.
mkdir "$work/songs"
"$cli" build "$source_dir/examples/demo.json" -o "$work/songs/demo.bjs" >/dev/null ||
  fail "the root's zembra-cli could not build the demo song"
[ -s "$work/songs/JAM_0002/BULK.BAR" ] || fail "no BULK.BAR beside the song"
ok "song built with the root's plug-in"

# What a file manager sees, with the caches the Debian triggers make on install.
export XDG_DATA_HOME=$work/home XDG_DATA_DIRS=$share:/usr/share XDG_CONFIG_HOME=$work/config
update-mime-database "$share/mime" || fail "update-mime-database failed"
update-desktop-database "$share/applications" || fail "update-desktop-database failed"
cp "$work/songs/demo.bjs" "$work/songs/renamed.dat"
for song in demo.bjs renamed.dat; do
  type=$(gio info -a standard::content-type "$work/songs/$song" | sed -n 's/.*content-type: //p')
  [ "$type" = application/x-zembra-song ] || fail "$song is taken for $type"
done
opener=$(PATH=$root/usr/bin:$PATH gio mime application/x-zembra-song | head -n 1)
[[ $opener == *zembra.desktop* ]] || fail "songs do not open with zembra.desktop: $opener"
grep -q '^Exec=zembra %f$' "$share/applications/zembra.desktop" || fail "desktop entry does not pass the file"
ok "songs known by name and content; they open with zembra.desktop (zembra %f)"
unset XDG_DATA_HOME XDG_DATA_DIRS XDG_CONFIG_HOME

"$source_dir/tests/gui/smoke_test.sh" "$root/usr/bin/zembra" | sed 's/^/  smoke: /'
status=${PIPESTATUS[0]}
[ "$status" -eq 77 ] && skip "the smoke test could not run here"
[ "$status" -eq 0 ] || fail "smoke test of the packaged zembra failed"
ok "smoke test of the packaged zembra with its plug-in"
echo "PASS"
