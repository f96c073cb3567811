#!/usr/bin/env bash
# Fails when a source under the given folders includes what its layer must
# not see: a header of one of the forbidden folders (by its name, as the
# include paths would find it, or by a path naming it), any path that climbs
# out of its folder with ".." or names sys/, and, when "windows.h" is among the
# forbidden, the Windows SDK's headers.
# Usage: check_includes.sh <root> <folder>[,<folder>...] [<forbidden>...]
set -euo pipefail
root=$1
IFS=, read -r -a folders <<<"$2"
shift 2
forbidden=("$@")

windows=0
declare -A owner=() # header name -> the forbidden folder that holds it
for f in "${forbidden[@]}"; do
  if [[ $f == windows.h ]]; then
    windows=1
    continue
  fi
  [[ -d $root/$f ]] || continue
  while IFS= read -r header; do
    owner[${header##*/}]=$f
  done < <(find "$root/$f" -type f \( -name '*.h' -o -name '*.hpp' \))
done

status=0
fail() {
  echo "FAIL: $1 ($2)"
  status=1
}
for folder in "${folders[@]}"; do
  [[ -d $root/$folder ]] || continue
  while IFS= read -r hit; do
    line=${hit#*:*:}
    if [[ $line =~ \#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
      path=${BASH_REMATCH[1]}
      name=${path##*/}
      if [[ $path == *..* || $path == sys/* || $path == */sys/* ]]; then
        fail "$hit" "a path round the include paths"
      elif [[ -n ${owner[$name]+set} ]]; then
        fail "$hit" "$folder must not include ${owner[$name]}/"
      fi
    elif ((windows)) && [[ $line =~ \#[[:space:]]*include[[:space:]]*\<([A-Za-z0-9_]+)\.h\> ]]; then
      case ${BASH_REMATCH[1],,} in
        windows | win* | commctrl | setupapi | hidsdi | hidpi | shlwapi | shellapi | ddk)
          fail "$hit" "$folder must not include the Windows headers" ;;
      esac
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include' \
             --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.rc' "$root/$folder" || true)
done
((status == 0)) && echo "ok: $(IFS=,; echo "${folders[*]}") include nothing of: ${forbidden[*]:-(only paths checked)}"
exit $status
