#!/usr/bin/env bash
# Static check of one distribution media tree and its zip: its parts in
# place (the x64 media's i686 service object too), each a PE image of its
# machine, the zip holding exactly the tree's files, and (with --ca) the
# driver's Authenticode signature verifying against that certificate. One
# "ok:" or "FAIL:" line per fact.
#
# usage: check_media.sh --objdump TOOL --machine i386|x86-64 --zip ZIP
#                       [--ca CERT] MEDIA_DIR
set -euo pipefail
export LC_ALL=C

objdump="" machine="" zip="" ca="" media=""
while (($#)); do
  case $1 in
    --objdump) objdump=$2; shift 2 ;;
    --machine) machine=$2; shift 2 ;;
    --zip) zip=$2; shift 2 ;;
    --ca) ca=$2; shift 2 ;;
    -*) echo "check_media.sh: unknown option $1" >&2; exit 2 ;;
    *) media=$1; shift ;;
  esac
done
[[ -n $objdump && -n $machine && -n $zip && -n $media ]] || { echo "check_media.sh: missing arguments" >&2; exit 2; }

failures=0
ok() { echo "ok: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Each part and the machine it is built for. The x64 media also carries the
# i686 service object, for 32-bit POS applications.
parts=("setup.exe $machine" "sys/KAV_cash.sys $machine" "GUI/setup.exe $machine"
       "OPOS/KAV_CashDrawer_SO.dll $machine")
[[ $machine == x86-64 ]] && parts+=("OPOS/x86/KAV_CashDrawer_SO.dll i386")
for entry in "${parts[@]}"; do
  part=${entry% *} wanted=${entry##* }
  file=$media/$part
  if [[ ! -f $file ]]; then
    fail "$part is missing from $media"
    continue
  fi
  format=$("$objdump" -f "$file" 2>/dev/null | sed -n 's/.*file format \(pei-[^ ]*\).*/\1/p' | head -n1)
  if [[ $format == "pei-$wanted" ]]; then
    ok "$part is $format"
  else
    fail "$part is ${format:-not a PE image}, expected pei-$wanted"
  fi
done

if [[ -f $zip ]]; then
  in_zip=$(python3 -c 'import sys, zipfile; [print(n.split("/", 1)[1]) for n in zipfile.ZipFile(sys.argv[1]).namelist() if not n.endswith("/")]' "$zip" | sort)
  in_tree=$(cd "$media" && find . -type f | sed 's|^\./||' | sort)
  if [[ $in_zip == "$in_tree" ]]; then
    ok "$(basename "$zip") holds exactly the media's $(wc -l <<<"$in_tree") files"
  else
    fail "$(basename "$zip") differs from the tree:" $(diff <(echo "$in_zip") <(echo "$in_tree") | grep '^[<>]' || true)
  fi
else
  fail "no zip $zip"
fi

if [[ -n $ca ]]; then
  if verify=$(osslsigncode verify -in "$media/sys/KAV_cash.sys" -CAfile "$ca" 2>&1) && grep -q '^Succeeded' <<<"$verify"; then
    ok "sys/KAV_cash.sys signature verifies against $(basename "$ca")"
  else
    fail "sys/KAV_cash.sys signature does not verify: $(grep -m1 -iE 'fail|error|no signature' <<<"$verify" || echo unknown)"
  fi
fi

((failures == 0)) || exit 1
