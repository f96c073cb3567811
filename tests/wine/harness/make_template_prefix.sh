#!/usr/bin/env bash
# Makes the pristine Wine prefix that every Wine test clones: `wineboot -i`
# costs about 10 s, a clone a fraction of a second. Safe to call from parallel
# tests; rebuilt when the Wine version changes, whether 32-bit programs run
# in a 64-bit prefix (its syswow64 is filled only when they do), or Wine's own
# fonts change. The prefix is 32- or 64-bit as KAV_WINE_ARCH says (wine_env.sh).
# Wine's own fonts (Debian's fonts-wine: MS Sans Serif, Tahoma, Marlett) go
# into the prefix's C:\windows\Fonts, where Wine 8 loads them; without them
# every window is drawn in a wider substitute and close boxes show an "r".
# With them, "MS Shell Dlg" (the system's GUI font, which the windows' controls
# use) is MS Sans Serif, as on Windows, where it is Microsoft Sans Serif with
# MS Sans Serif's metrics; Wine's own default, Tahoma, is wider and cuts the
# labels the windows were laid out for.
# Usage: make_template_prefix.sh <template dir>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine_env.sh"
wine_env_check

template=${1:?usage: make_template_prefix.sh <template dir>}
template=$(realpath -m "$template")
stamp=$template/.kav-template
wine_fonts=/usr/share/wine/fonts
want="$("$WINE" --version) $KAV_WINE_ARCH"
if [[ $KAV_WINE_ARCH == win64 ]] && wine_runs_32bit >/dev/null; then
  want+=" with WoW64"
fi
if compgen -G "$wine_fonts/*" >/dev/null; then
  want+=" with Wine's fonts $(ls -l --time-style=+%s "$wine_fonts" | md5sum | cut -c1-8), MS Shell Dlg as MS Sans Serif"
else
  echo "wine: no $wine_fonts (Debian's fonts-wine): windows get substitute fonts" >&2
fi

mkdir -p "$(dirname "$template")"
exec 9>"$template.lock"
flock 9

if [[ -f $stamp && $(<"$stamp") == "$want" ]]; then
  exit 0
fi

staging=$template.staging
cleanup() {
  if [[ -d $staging ]]; then
    WINEPREFIX=$staging "$WINESERVER" -k 2>/dev/null || true
    rm -rf "$staging"
  fi
}
trap cleanup EXIT
cleanup
rm -rf "$template"

# Under qemu-i386 (with_i386_binfmt.sh) each 32-bit process of a WoW64
# prefix's set-up takes about a minute to start.
boot_limit=120 server_limit=60
if [[ -n ${KAV_I386_BINFMT:-} ]]; then
  boot_limit=900 server_limit=600
fi
echo "wine: making template prefix $template ($want)"
start=$SECONDS
if ! WINEPREFIX=$staging WINEDEBUG=-all timeout "$boot_limit" "$WINE" wineboot -i >"$template.log" 2>&1; then
  echo "wine: wineboot -i failed; its output:" >&2
  cat "$template.log" >&2
  exit 1
fi
if compgen -G "$wine_fonts/*" >/dev/null; then
  WINEPREFIX=$staging WINEDEBUG=-all timeout 60 "$WINE" reg add \
    'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v 'MS Shell Dlg' /d 'MS Sans Serif' /f \
    >>"$template.log" 2>&1
fi
# The server writes the registry out when it exits.
WINEPREFIX=$staging timeout "$server_limit" "$WINESERVER" -w
if compgen -G "$wine_fonts/*" >/dev/null; then
  cp "$wine_fonts"/* "$staging/drive_c/windows/Fonts/"
fi
echo "$want" >"$staging/.kav-template"
mv "$staging" "$template"
echo "wine: template ready in $((SECONDS - start)) s"
