#!/usr/bin/env bash
# Fails when a source under the given folders reaches into the driver past its
# contract: an include that names sys/ or climbs out of its folder with "..".
# The include paths already keep sys/core and sys/kernel out of reach; this
# catches the relative path that would get round them.
# Usage: check_includes.sh <root> <folder>...
set -euo pipefail
root=$1
shift
status=0
for folder in "$@"; do
  while IFS= read -r hit; do
    echo "FAIL: $hit"
    status=1
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*/)?(\.\.|sys)/' \
             --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.rc' "$root/$folder" || true)
done
((status == 0)) && echo "ok: $* include nothing of the driver but its contract"
exit $status
