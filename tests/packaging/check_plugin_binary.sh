#!/usr/bin/env bash
# check_plugin_binary.sh PLUGIN: fails unless PLUGIN exports exactly VSTPluginMain
# and main and, for a Windows DLL, imports nothing but DLLs every Windows has.
set -euo pipefail
export LC_ALL=C
plugin=$1
objdump=${OBJDUMP:-objdump}
fail() { echo "FAIL: $*" >&2; exit 1; }

case $plugin in
  *.dll)
    dump=$("$objdump" -p "$plugin")
    exports=$(echo "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/{t=1; next} t && /^[ \t]*\[/{print $NF; next} t{t=0}' | sort | tr '\n' ' ')
    imports=$(echo "$dump" | awk '/DLL Name:/{print toupper($3)}' | sort -u | tr '\n' ' ')
    allowed=" KERNEL32.DLL MSVCRT.DLL USER32.DLL GDI32.DLL COMDLG32.DLL SHELL32.DLL ADVAPI32.DLL OLE32.DLL WININET.DLL "
    for dll in $imports; do
      case $allowed in *" $dll "*) ;; *) fail "imports $dll, which a user's machine does not have" ;; esac
    done ;;
  *)
    exports=$("$objdump" -T "$plugin" | awk '$4 != "*UND*" && ($2 ~ /g/) && $NF !~ /^VERS_|^\(/ {print $NF}' | grep -v '^$' | sort | tr '\n' ' ') ;;
esac
[ "$exports" = "VSTPluginMain main " ] || fail "exports '$exports', expected exactly 'VSTPluginMain main'"
echo "ok: exports $exports${imports:+; imports $imports}"
