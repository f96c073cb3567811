# Sourced by the Wine test scripts: which Wine to run and how.

# KAV_WINE_ARCH picks the prefix: win64 (the default; 32-bit programs run in it
# as on 64-bit Windows, through WoW64) or win32, the classic 32-bit Windows.
KAV_WINE_ARCH=${KAV_WINE_ARCH:-win64}
# Debian keeps the loaders and wineserver outside PATH: wine64 for a 64-bit
# prefix (it hands 32-bit programs to the 32-bit loader itself), wine, the
# 32-bit loader from wine32:i386, for a 32-bit one.
KAV_WINE_DIR=${KAV_WINE_DIR:-/usr/lib/wine}
WINE32=$KAV_WINE_DIR/wine
WINE64=$KAV_WINE_DIR/wine64
WINESERVER=$KAV_WINE_DIR/wineserver
case $KAV_WINE_ARCH in
  win64) WINE=$WINE64 ;;
  win32) WINE=$WINE32 ;;
  *) echo "wine: KAV_WINE_ARCH is win64 or win32, not $KAV_WINE_ARCH" >&2; return 1 ;;
esac

export WINEARCH=$KAV_WINE_ARCH
# No Mono or Gecko install prompts; nothing here needs .NET or HTML.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Headless and deterministic: never open windows on a developer's desktop.
unset DISPLAY WAYLAND_DISPLAY

# windows_path <file>: the file as a Windows program names it; Wine maps Z: to /.
windows_path() {
  local path
  path=$(realpath -m "$1")
  echo "Z:${path//\//\\}"
}

source "$(dirname "${BASH_SOURCE[0]}")/../../../cmake/i386_code.sh"

# wine_runs_32bit: whether Wine's 32-bit loader runs here. It needs wine32:i386
# and a kernel that runs i386 code, or with_i386_binfmt.sh handing it to
# qemu-i386; prints why not when it does not.
wine_runs_32bit() {
  local out why
  if [[ ! -x $WINE32 ]]; then
    echo "no 32-bit Wine loader $WINE32 (install wine32:i386)"
    return 1
  fi
  if [[ -z ${KAV_I386_BINFMT:-} ]] && ! why=$(i386_runs_natively); then
    echo "$why"
    return 1
  fi
  if ! out=$("$WINE32" --version 2>&1); then
    echo "this kernel runs no 32-bit code ($WINE32: ${out##*: })"
    return 1
  fi
}

wine_env_check() {
  local tool why
  for tool in "$WINE" "$WINESERVER"; do
    if [[ ! -x $tool ]]; then
      echo "wine: $tool not found (install wine64 and wine32:i386, or set KAV_WINE_DIR)" >&2
      return 1
    fi
  done
  if [[ $KAV_WINE_ARCH == win32 ]] && ! why=$(wine_runs_32bit); then
    echo "wine: a 32-bit prefix cannot run: $why" >&2
    return 1
  fi
}
