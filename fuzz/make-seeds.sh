#!/usr/bin/env bash
# Regenerates the committed seed corpus from songs built by zembra-cli:
#   fuzz/make-seeds.sh build/<folder>/bin/zembra-cli
set -euo pipefail
cli=$(realpath "$1")
root="$(cd "$(dirname "$0")/.." && pwd)"
corpus="$root/fuzz/corpus"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Songs: empty, the demo, non-ASCII names with a page past the last track,
# and sixteen tracks on four pages.
printf '{"tempo": 120}' >"$work/empty.json"
printf '{"tempo": "7", "title": "Tëst ✓", "artist": "",
  "tracks": [{}, {}, {}, {}, {}, {"name": "ß", "samples": ["hat.vag"]}],
  "pages": ["", "Zwei", "", "Vier"]}' >"$work/names.json"
tracks=""
for i in $(seq 0 15); do
  tracks+="{\"name\": \"T$i\", \"samples\": [\"kick.vag\", \"hat.vag\"]}"
  [ "$i" -lt 15 ] && tracks+=","
done
printf '{"tempo": 200, "tracks": [%s], "pages": ["A", "B", "C", "D"]}' "$tracks" >"$work/full.json"
cp "$root/examples/demo.json" "$work/demo.json"

rm -rf "$corpus"
mkdir -p "$corpus/song_reader" "$corpus/unbar" "$corpus/decompress"
for song in empty names full demo; do
  mkdir -p "$work/$song"
  "$cli" build "$work/$song.json" -o "$work/$song/$song.bjs" --samples "$root/examples/samples" >/dev/null
  cp "$work/$song/$song.bjs" "$corpus/song_reader/$song.bjs"
  cp "$work/$song/JAM_0002/BULK.BAR" "$corpus/unbar/$song.bar"
  # decompress: the expected size (4 bytes, little-endian), then the packed data.
  tail -c +29 "$work/$song/JAM_0002/BULK.BAR" | head -c 4 >"$corpus/decompress/$song"
  tail -c +37 "$work/$song/JAM_0002/BULK.BAR" >>"$corpus/decompress/$song"
done
# The level-9 stream of nothing, expecting 0 bytes; and "abc".
printf '\x00\x00\x00\x00\x78\xda\x03\x00\x00\x00\x00\x01' >"$corpus/decompress/nothing"
printf '\x03\x00\x00\x00\x78\xda\x4b\x4c\x4a\x06\x00\x02\x4d\x01\x27' >"$corpus/decompress/abc"
ls -l "$corpus"/*
