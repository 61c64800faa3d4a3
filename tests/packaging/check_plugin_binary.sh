#!/usr/bin/env bash
# check_plugin_binary.sh PLUGIN [EXPORT...]: fails unless PLUGIN exports exactly
# the EXPORTs (by default VSTPluginMain and main) and, for a Windows DLL (of any
# file name: a CLAP plug-in is one too), imports nothing but DLLs every
# Windows has.
set -euo pipefail
export LC_ALL=C
plugin=$1
shift
expected=$(printf '%s\n' "${@:-VSTPluginMain main}" | tr ' ' '\n' | sort | tr '\n' ' ')
objdump=${OBJDUMP:-objdump}
fail() { echo "FAIL: $*" >&2; exit 1; }

case $(head -c 2 "$plugin") in
  MZ)
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
[ "$exports" = "$expected" ] || fail "exports '$exports', expected exactly '$expected'"
echo "ok: exports $exports${imports:+; imports $imports}"
