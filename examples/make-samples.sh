#!/usr/bin/env bash
# Writes a few tiny synthetic VAG samples into examples/samples, already in
# the form the game (and zembra-cli scan) accepts: "VAGp", version bytes
# 01 00 00 00, little-endian data size and sample rate, then ADPCM blocks of
# 16 bytes. They make no pleasant sound; they exist so the demo song builds on
# a fresh checkout. The committed files are what this script writes.
set -euo pipefail
out="$(cd "$(dirname "$0")" && pwd)/samples"
mkdir -p "$out"

# Appends one byte (0-255) to the file named by $file.
byte() { printf "\\$(printf '%03o' "$(($1 & 255))")" >>"$file"; }
le32() { byte "$1"; byte "$(($1 >> 8))"; byte "$(($1 >> 16))"; byte "$(($1 >> 24))"; }

# make NAME BLOCKS RATE SEED: BLOCKS ADPCM blocks after a silent first block.
make() {
  local name=$1 blocks=$2 rate=$3 seed=$4
  file="$out/$name.vag"
  : >"$file"
  printf 'VAGp' >>"$file"
  le32 1                             # version, game form
  le32 0                             # reserved
  le32 $(((blocks + 1) * 16))        # data size
  le32 "$rate"                       # sample rate
  for _ in 1 2 3; do le32 0; done    # reserved
  printf '%s' "$name" >>"$file"             # name field: 16 bytes, zero-padded
  for _ in $(seq $((16 - ${#name}))); do byte 0; done
  for _ in $(seq 16); do byte 0; done      # the silent first block
  local b i x=$seed
  for ((b = 0; b < blocks; b++)); do
    byte $(((b * 3 + seed) % 12 | (seed % 4) << 4))   # shift and filter
    if ((b == blocks - 1)); then byte 1; else byte 0; fi  # flags: 1 ends the sample
    for ((i = 0; i < 14; i++)); do
      x=$(((x * 1103515245 + 12345) & 0x7fffffff))
      byte $((x >> 16))
    done
  done
}

make kick 8 22050 1
make snare 10 22050 2
make hat 6 44100 3
make bass 12 22050 4
echo "Wrote $(ls "$out" | wc -l) samples into $out"
