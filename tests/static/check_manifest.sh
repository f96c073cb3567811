#!/usr/bin/env bash
# Static check of a program's embedded manifest: each given text must appear
# in the binary (the manifest resource is stored as plain UTF-8).
# usage: check_manifest.sh BINARY TEXT...
set -euo pipefail
binary=$1
shift
failures=0
for text in "$@"; do
  if grep -qaF -- "$text" "$binary"; then
    echo "ok: $(basename "$binary") manifest has $text"
  else
    echo "FAIL: $(basename "$binary") manifest lacks $text"
    failures=$((failures + 1))
  fi
done
((failures == 0)) || exit 1
