# Sourced: the environment every Wine process of one build shares. The prefix,
# HOME and the X display belong to the build folder, never to the real home.
# Expects TORNEL_BUILD to name the build folder.
: "${TORNEL_BUILD:?TORNEL_BUILD must name the build folder}"
export WINEPREFIX="$TORNEL_BUILD/wine/prefix"
export HOME="$TORNEL_BUILD/wine/home"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export TMPDIR="${TMPDIR:-/tmp}"
if [ -f "$TORNEL_BUILD/wine/display" ]; then
    DISPLAY=":$(cat "$TORNEL_BUILD/wine/display")"
    export DISPLAY
fi
