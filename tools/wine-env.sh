# Sourced: the environment every Wine process of one build shares. The prefix,
# HOME and the X display belong to the build folder, never to the real home.
# Expects TORNEL_BUILD to name the build folder. TORNEL_WINE64=1 chooses the build's
# 64-bit prefix (build/wine64), where the 32-bit programs run under WoW64.
: "${TORNEL_BUILD:?TORNEL_BUILD must name the build folder}"
if [ "${TORNEL_WINE64:-0}" = 1 ]; then
    TORNEL_WINE_STATE="$TORNEL_BUILD/wine64"
    export WINEARCH=win64
else
    TORNEL_WINE_STATE="$TORNEL_BUILD/wine"
    export WINEARCH=win32
fi
export WINEPREFIX="$TORNEL_WINE_STATE/prefix"
export HOME="$TORNEL_WINE_STATE/home"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export TMPDIR="${TMPDIR:-/tmp}"
if [ -f "$TORNEL_WINE_STATE/display" ]; then
    DISPLAY=":$(cat "$TORNEL_WINE_STATE/display")"
    export DISPLAY
fi
