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
mkdir -p "$corpus/song_reader" "$corpus/song_description" "$corpus/unbar" "$corpus/decompress" \
  "$corpus/vag_reader"
for song in empty names full demo; do
  mkdir -p "$work/$song"
  "$cli" build "$work/$song.json" -o "$work/$song/$song.bjs" --samples "$root/examples/samples" >/dev/null
  cp "$work/$song/$song.bjs" "$corpus/song_reader/$song.bjs"
  cp "$work/$song.json" "$corpus/song_description/$song.json"
  cp "$work/$song/JAM_0002/BULK.BAR" "$corpus/unbar/$song.bar"
  # decompress: the expected size (4 bytes, little-endian), then the packed data.
  tail -c +29 "$work/$song/JAM_0002/BULK.BAR" | head -c 4 >"$corpus/decompress/$song"
  tail -c +37 "$work/$song/JAM_0002/BULK.BAR" >>"$corpus/decompress/$song"
done
# The level-9 stream of nothing, expecting 0 bytes; and "abc".
printf '\x00\x00\x00\x00\x78\xda\x03\x00\x00\x00\x00\x01' >"$corpus/decompress/nothing"
printf '\x03\x00\x00\x00\x78\xda\x4b\x4c\x4a\x06\x00\x02\x4d\x01\x27' >"$corpus/decompress/abc"
# VAG samples: a short chirp imported in both forms, and hand-made oddities:
# a looping sample, a block whose flag byte is 7, shift 13 and filter 9, a
# header that declares more data than there is, and a header alone.
python3 - "$work/chirp.wav" "$corpus/vag_reader" <<'PY'
import math, struct, sys
rate, n = 8000, 700
pcm = b"".join(struct.pack("<h", int(20000 * math.sin(0.02 * i * i / 40))) for i in range(n))
with open(sys.argv[1], "wb") as f:
    f.write(b"RIFF" + struct.pack("<I", 36 + len(pcm)) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16) +
            b"data" + struct.pack("<I", len(pcm)) + pcm)

def vag(blocks, name, declared=None, rate=8000):
    data = b"".join(blocks)
    size = len(data) if declared is None else declared
    return (b"VAGp" + bytes([1, 0, 0, 0]) + bytes(4) + struct.pack("<II", size, rate) +
            bytes(12) + name.ljust(16, b"\0")[:16] + data)

def block(head, flags, fill):
    return bytes([head, flags]) + bytes([fill]) * 14

out = sys.argv[2]
odd = {
    "loop.vag": vag([block(0x1C, 6, 0x12), block(0x2A, 2, 0x9F), block(0x4B, 3, 0x71)], b"loop"),
    "flags.vag": vag([block(0x3D, 0, 0x77), block(0x9C, 7, 0x88), block(0x00, 1, 0x01)], b"odd"),
    "cut.vag": vag([block(0x11, 0, 0x34), block(0x22, 1, 0x56)], b"cut", declared=4096)[:-5],
    "header.vag": vag([], b"", rate=44100),
}
for name, data in odd.items():
    with open(f"{out}/{name}", "wb") as f:
        f.write(data)
PY
"$cli" import "$work/chirp.wav" -o "$corpus/vag_reader/chirp.vag" >/dev/null
"$cli" import "$work/chirp.wav" --form ordinary -o "$corpus/vag_reader/ordinary.vag" >/dev/null
ls -l "$corpus"/*
