#!/bin/sh
# Copies the WAV and AIFF files of the shared corpus (when it is there) into
# a seed folder for the header fuzzer; files above 256 KiB are left out, as
# the fuzzer would only spend its time reading their samples.
corpus="$1"
seeds="$2"
mkdir -p "$seeds" || exit 1
[ -d "$corpus" ] || exit 0
n=0
find "$corpus" -type f \( -iname '*.wav' -o -iname '*.aif' -o -iname '*.aiff' -o -iname '*.aifc' \) -size -256k |
while IFS= read -r f; do
  n=$((n + 1))
  cp "$f" "$seeds/corpus-$n" || exit 1
done
