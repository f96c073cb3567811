#!/usr/bin/env bash
# Fails when a source the build compiled reaches a header its layer must not
# see, however it got there: a quoted or an angle-bracket include, a path
# round the include paths, or an include directory that opens a folder to it.
# It reads the compiler's own dependency output (the depfiles, *.o.d or
# *.obj.d, the build keeps beside its objects): what the preprocessor opened.
# Usage: check_dependencies.sh <build dir> <root> <folder>[,<folder>...] <forbidden>...
#   <folder>     sources under <root>/<folder> are checked
#   <forbidden>  a folder under <root>: every header below it;
#                !<folder>: allowed although below a forbidden folder;
#                windows.h: the Windows SDK's headers, wherever they are.
set -euo pipefail
build=$(realpath -m "$1")
root=$(realpath -m "$2")
folders=$3
shift 3

mapfile -t depfiles < <(find "$build" -type f \( -name '*.o.d' -o -name '*.obj.d' \) | sort)
if ((${#depfiles[@]} == 0)); then
  echo "FAIL: no dependency output (*.o.d, *.obj.d) under $build: build it first"
  exit 1
fi

# One record per depfile: its first rule's prerequisites, the source first.
# A relative path is relative to where the compiler ran: the folder that
# holds the target's CMakeFiles (the depfile's own folder otherwise).
awk -v root="$root" -v folders="$folders" -v rules="$*" '
function normal(path, base,    parts, n, i, out, k, kept) {
    if (substr(path, 1, 1) != "/") path = base "/" path
    n = split(path, parts, "/")
    k = 0
    for (i = 1; i <= n; ++i) {
        if (parts[i] == "" || parts[i] == ".") continue
        if (parts[i] == "..") { if (k > 0) --k; continue }
        kept[++k] = parts[i]
    }
    out = ""
    for (i = 1; i <= k; ++i) out = out "/" kept[i]
    return out == "" ? "/" : out
}
function shown(path) { return index(path, root "/") == 1 ? substr(path, length(root) + 2) : path }
function below(path, folder) { return index(path "/", root "/" folder "/") == 1 }
function windows_header(path,    name) {
    name = tolower(path); sub(/.*\//, "", name)
    return name ~ /^(windows|windef|winnt|winbase|winuser|wingdi|winreg|winsvc|winioctl|winerror|commctrl|setupapi|hidsdi|hidpi|shlwapi|shellapi|objbase|ole2|oleauto|ntddk|wdm)\.h$/ ||
           path ~ /(^|\/)ddk\//
}
function check(    text, words, n, i, base, source, dep, f, why, key) {
    sub(/\\$/, "", text)
    gsub(/\\ /, "\001", text)       # an escaped blank belongs to its path
    sub(/^[^:]*:[ \t]/, "", text)   # the target
    n = split(text, words, /[ \t]+/)
    base = FILENAME
    if (index(base, "/CMakeFiles/")) sub(/\/CMakeFiles\/.*/, "", base); else sub(/\/[^\/]*$/, "", base)
    source = ""
    for (i = 1; i <= n; ++i) {
        if (words[i] == "") continue
        gsub(/\001/, " ", words[i])
        dep = normal(words[i], base)
        if (source == "") {
            source = dep
            # A source gone from the tree leaves its old depfile behind: not compiled any more.
            if ((getline unused < source) < 0) return
            close(source)
            owner = ""
            for (f in checked) if (below(source, f)) { owner = f; seen[f] = 1 }
            if (owner == "") return
            continue
        }
        why = ""
        if (windows && windows_header(dep)) why = "the Windows headers"
        for (f in forbidden) {
            if (!below(dep, f)) continue
            allowed = 0
            for (a in exception) if (below(dep, a)) allowed = 1
            if (!allowed) why = f "/"
        }
        if (why == "") continue
        key = source SUBSEP dep
        if (key in reported) continue
        reported[key] = 1
        printf "FAIL: %s reaches %s (%s must not include %s)\n", shown(source), shown(dep), owner, why
        failed = 1
    }
}
BEGIN {
    n = split(folders, list, ","); for (i = 1; i <= n; ++i) checked[list[i]] = 1
    n = split(rules, list, " ")
    for (i = 1; i <= n; ++i) {
        if (list[i] == "windows.h") windows = 1
        else if (substr(list[i], 1, 1) == "!") exception[substr(list[i], 2)] = 1
        else if (list[i] != "") forbidden[list[i]] = 1
    }
}
FNR == 1 { if (text != "") check(text); text = ""; done = 0 }
!done { text = text " " $0; if ($0 !~ /\\$/) done = 1; else sub(/\\$/, "", text) }
END {
    if (text != "") check(text)
    for (f in checked) if (!(f in seen)) { printf "FAIL: no source under %s in the dependency output\n", f; failed = 1 }
    if (!failed) printf "ok: %s reach nothing of: %s\n", folders, rules
    exit failed
}' "${depfiles[@]}"
