#!/usr/bin/env bash
# Static check of a program's manifest: the one resource the loader reads for
# a program, RT_MANIFEST (24) with id 1, found through the PE's resource
# directory. Each given text must appear in it outside XML comments; a
# manifest under another id, or a text only inside a comment, fails.
# usage: check_manifest.sh --objdump TOOL BINARY TEXT...
set -euo pipefail
objdump=''
if [[ ${1:-} == --objdump ]]; then
  objdump=${2:?}
  shift 2
fi
binary=${1:?usage: check_manifest.sh --objdump TOOL BINARY TEXT...}
shift
[[ -n $objdump ]] || { echo "usage: check_manifest.sh --objdump TOOL BINARY TEXT..."; exit 2; }
name=$(basename "$binary")
die() {
  echo "FAIL: $name: $*"
  exit 1
}
[[ -f $binary ]] || die "no such file (build it first)"

# Where the resource section lies in the file and in memory.
read -r section_rva section_offset < <("$objdump" -h "$binary" | awk '$2 == ".rsrc" {print $4, $6}') || true
[[ -n ${section_offset:-} ]] || die "no resource section"
image_base=$("$objdump" -p "$binary" | awk '$1 == "ImageBase" {print $2}')
rsrc=$((16#$section_offset))
section_rva=$((16#$section_rva - 16#$image_base))

# Little-endian fields at a file offset.
u16() { od -An -tu2 -j "$1" -N2 "$binary" | tr -d ' '; }
u32() { od -An -tu4 -j "$1" -N4 "$binary" | tr -d ' '; }
readonly subdirectory=$((0x80000000))

# entry <directory> <id>: the offset to the data of the directory's entry
# with that numeric id (directories are at offsets from the section's
# start), or "" when it has none. Named entries come first and are skipped.
entry() {
  local directory=$((rsrc + $1)) named ids i at
  named=$(u16 $((directory + 12)))
  ids=$(u16 $((directory + 14)))
  for ((i = named; i < named + ids; i++)); do
    at=$((directory + 16 + 8 * i))
    if (($(u32 "$at") == $2)); then
      u32 $((at + 4))
      return
    fi
  done
}

by_type=$(entry 0 24)
[[ -n $by_type ]] && ((by_type & subdirectory)) || die "no manifest resource (type 24)"
by_id=$(entry $((by_type & ~subdirectory)) 1)
[[ -n $by_id ]] && ((by_id & subdirectory)) || die "no manifest with id 1, the only one the loader reads for a program"
# The language level: its first entry is the manifest's data entry.
languages=$((by_id & ~subdirectory))
(($(u16 $((rsrc + languages + 14))) > 0)) || die "manifest 1 has no language entry"
data=$(u32 $((rsrc + languages + 16 + 4)))
((!(data & subdirectory))) || die "manifest 1's language entry is not data"
data_rva=$(u32 $((rsrc + data)))
size=$(u32 $((rsrc + data + 4)))
manifest=$(dd if="$binary" iflag=skip_bytes,count_bytes skip=$((rsrc + data_rva - section_rva)) count="$size" \
  status=none | perl -0777 -pe 's/<!--.*?-->//gs')

failures=0
for text in "$@"; do
  if grep -qF -- "$text" <<<"$manifest"; then
    echo "ok: $name manifest 1 has $text"
  else
    echo "FAIL: $name manifest 1 lacks $text (comments not counted)"
    failures=$((failures + 1))
  fi
done
((failures == 0)) || exit 1
