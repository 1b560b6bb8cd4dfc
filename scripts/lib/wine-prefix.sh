# Sourced by the scripts that make Wine prefixes.

# Creates the Wine prefix $WINEPREFIX: without Mono and Gecko, so that wineboot neither asks
# to install them nor spends time on them; with Wine's own Tahoma (the windows' font) and
# Marlett (the title bar's close box), which are packaged beside Wine but not found there;
# and with Wine's crash dialog off, so that a program that crashes ends at once instead of
# waiting behind it. wineboot's output goes to $ZELVANE_WINEBOOT_LOG when it is set.
create_wine_prefix() {
    WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all wine wineboot -i </dev/null \
        >>"${ZELVANE_WINEBOOT_LOG:-/dev/null}" 2>&1
    cp /usr/share/wine/fonts/{tahoma,tahomabd,marlett}.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    WINEDEBUG=-all wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD \
        /d 0 /f </dev/null >/dev/null 2>&1
    # The registry is written out when the wineserver ends.
    wineserver -w
}
