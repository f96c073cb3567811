#!/usr/bin/env bash
# Static check of one PE binary (DLL, EXE or kernel driver) with the cross
# objdump: machine, subsystem, the exact export list and the imported DLLs.
# Prints one "ok:" or "FAIL:" line per fact; exits 1 if any fact fails.
#
# usage: check_pe.sh --objdump TOOL --machine i386|x86-64 [options] BINARY
#   --exports FILE        exact export list: a .def file or one name a line
#                         (blank lines, ';' and '#' comments, LIBRARY/NAME/
#                         EXPORTS lines ignored). Without it: no exports.
#   --allow-imports LIST  DLLs the binary may import, blank- or comma-separated,
#                         compared case-insensitively. Default: user-mode
#                         system DLLs (see DEFAULT_IMPORTS).
#   --subsystem NAME      native | gui | console
#   --entry SYMBOL        the image's entry point is this symbol
set -euo pipefail
export LC_ALL=C

DEFAULT_IMPORTS="KERNEL32.dll USER32.dll GDI32.dll ADVAPI32.dll SHELL32.dll COMCTL32.dll
COMDLG32.dll OLE32.dll OLEAUT32.dll VERSION.dll SETUPAPI.dll HID.dll msvcrt.dll"

die() { echo "check_pe.sh: $*" >&2; exit 2; }

objdump="" machine="" exports_file="" allow_imports="$DEFAULT_IMPORTS" subsystem="" entry="" binary=""
while (($#)); do
    case "$1" in
        --objdump) objdump="${2:?}"; shift 2 ;;
        --machine) machine="${2:?}"; shift 2 ;;
        --exports) exports_file="${2:?}"; shift 2 ;;
        --allow-imports) allow_imports="${2:?}"; shift 2 ;;
        --subsystem) subsystem="${2:?}"; shift 2 ;;
        --entry) entry="${2:?}"; shift 2 ;;
        -*) die "unknown option $1" ;;
        *) [[ -z "$binary" ]] || die "one binary only"; binary="$1"; shift ;;
    esac
done
[[ -n "$objdump" && -n "$machine" && -n "$binary" ]] || die "need --objdump, --machine and a binary"
[[ -f "$binary" ]] || die "no such binary: $binary"
[[ -z "$exports_file" || -f "$exports_file" ]] || die "no such export list: $exports_file"
case "$machine" in i386 | x86-64) ;; *) die "machine must be i386 or x86-64" ;; esac

# A failing objdump must not pass for a binary with nothing to report.
headers="$("$objdump" -p "$binary")" || die "$objdump could not read $binary"

failures=0
ok() { echo "ok: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

name="$(basename "$binary")"

# --- machine -----------------------------------------------------------------
format="$(sed -n 's/.*file format \(pei-[^ ]*\).*/\1/p' <<<"$headers" | head -n1)"
if [[ "$format" == "pei-$machine" ]]; then
    ok "$name is $format"
else
    fail "$name is ${format:-not a PE image}, expected pei-$machine"
fi

# --- subsystem ---------------------------------------------------------------
if [[ -n "$subsystem" ]]; then
    case "$subsystem" in
        native) want=1 ;; gui) want=2 ;; console) want=3 ;;
        *) die "subsystem must be native, gui or console" ;;
    esac
    have="$(awk '$1 == "Subsystem" { print $2 + 0; exit }' <<<"$headers")"
    if [[ "$have" == "$want" ]]; then
        ok "$name subsystem is $subsystem"
    else
        fail "$name subsystem is ${have:-missing}, expected $want ($subsystem)"
    fi
fi

# --- entry point -------------------------------------------------------------
if [[ -n "$entry" ]]; then
    entry_rva=$((16#$(awk '$1 == "AddressOfEntryPoint" { print $2; exit }' <<<"$headers")))
    image_base=$((16#$(awk '$1 == "ImageBase" { print $2; exit }' <<<"$headers")))
    # A symbol's value is relative to its section (1-based in the symbol table).
    # Read whole before searching: an early exit would cut objdump's pipe.
    symbols="$("$objdump" -t "$binary")" || die "$objdump could not read the symbols of $binary"
    symbol="$(awk -v want="$entry" '$NF == want { print; exit }' <<<"$symbols")"
    if [[ -z "$symbol" ]]; then
        fail "$name has no symbol $entry"
    else
        section=$(sed -E 's/.*\(sec +([0-9]+)\).*/\1/' <<<"$symbol")
        value=$(( $(awk '{ print $(NF - 1) }' <<<"$symbol") ))
        sections="$("$objdump" -h "$binary")" || die "$objdump could not read the sections of $binary"
        vma=$((16#$(awk -v idx=$((section - 1)) '$1 == idx { print $4; exit }' <<<"$sections")))
        if ((vma - image_base + value == entry_rva)); then
            ok "$name enters at $entry"
        else
            fail "$name enters at RVA $(printf 0x%x "$entry_rva"), not at $entry"
        fi
    fi
fi

# --- exports -----------------------------------------------------------------
actual_exports="$(awk '
    /^\[Ordinal\/Name Pointer\] Table/ { inside = 1; next }
    inside && NF == 0 { inside = 0 }
    inside { sub(/^[ \t]*\[[ 0-9]*\][ \t]*/, ""); print }
' <<<"$headers" | sort)"

expected_exports=""
if [[ -n "$exports_file" ]]; then
    expected_exports="$(awk '
        { sub(/[;#].*/, "") }
        NF == 0 { next }
        toupper($1) == "LIBRARY" || toupper($1) == "NAME" || toupper($1) == "EXPORTS" { next }
        { print $1 }
    ' "$exports_file" | sort)"
fi

missing="$(comm -13 <(printf '%s\n' "$actual_exports") <(printf '%s\n' "$expected_exports") | sed '/^$/d')"
extra="$(comm -23 <(printf '%s\n' "$actual_exports") <(printf '%s\n' "$expected_exports") | sed '/^$/d')"
if [[ -z "$missing" && -z "$extra" ]]; then
    ok "$name exports exactly $(grep -c . <<<"$expected_exports" || true) expected names"
else
    [[ -z "$missing" ]] || fail "$name does not export:" $missing
    [[ -z "$extra" ]] || fail "$name exports unexpected:" $extra
fi

# Callers bind by plain name: a stdcall decoration would break every lookup.
decorated="$(grep -E '@|^_' <<<"$actual_exports" || true)"
if [[ -z "$decorated" ]]; then
    ok "$name export names are undecorated"
else
    fail "$name exports decorated names:" $decorated
fi

# --- imports -----------------------------------------------------------------
allowed="$(tr ', ' '\n\n' <<<"$allow_imports" | sed '/^$/d' | tr '[:upper:]' '[:lower:]')"
imports="$(sed -n 's/^[ \t]*DLL Name: //p' <<<"$headers")"
bad_imports=""
while read -r dll; do
    [[ -n "$dll" ]] || continue
    lower="$(tr '[:upper:]' '[:lower:]' <<<"$dll")"
    grep -qxF "$lower" <<<"$allowed" || bad_imports+=" $dll"
done <<<"$imports"
if [[ -z "$bad_imports" ]]; then
    ok "$name imports only allowed DLLs:" $imports
else
    fail "$name imports DLLs outside the allow-list:$bad_imports"
fi

((failures == 0)) || exit 1
