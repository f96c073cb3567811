# Sourced by the Wine test scripts: which Wine to run and how.

# Debian keeps wine64 and wineserver outside PATH; /usr/bin/wine tries the
# 32-bit loader first, which this kernel cannot run.
KAV_WINE_DIR=${KAV_WINE_DIR:-/usr/lib/wine}
WINE64=$KAV_WINE_DIR/wine64
WINESERVER=$KAV_WINE_DIR/wineserver

export WINEARCH=win64
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

wine_env_check() {
  local tool
  for tool in "$WINE64" "$WINESERVER"; do
    if [[ ! -x $tool ]]; then
      echo "wine: $tool not found (install wine64, or set KAV_WINE_DIR)" >&2
      return 1
    fi
  done
}
