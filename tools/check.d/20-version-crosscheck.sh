#!/usr/bin/env bash
# The layer's version functions against the system's: version_dump of the
# Windows build records under Wine what GetFileVersionInfoA reports for real
# PE files that nobody here wrote (the Windows DLLs of the Wine package,
# 64-bit and 32-bit, and DLLs that mingw-w64 builds from resource scripts),
# then version_dump of the Linux build must report the same version numbers
# for every one of them. A file without version numbers must be one on both
# sides; the failure codes may differ where the systems differ.
#
# FRESHLINE_HOST_BUILD and FRESHLINE_MINGW_BUILD name other build directories
# (default build/host and build/mingw).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
host_build=${FRESHLINE_HOST_BUILD:-build/host}
mingw_build=${FRESHLINE_MINGW_BUILD:-build/mingw}

if [ "${FRESHLINE_HOST_ONLY:-0}" = 1 ]; then
    if [ "${CI:-}" = "true" ]; then
        echo "version cross-check: CI=true but the Windows stage was skipped" >&2
        exit 1
    fi
    echo "version cross-check: skipped (no Windows stage)"
    exit 0
fi
export WINEPREFIX=${WINEPREFIX:-$root/$mingw_build/wineprefix}

work=$root/$mingw_build/version-crosscheck
rm -rf "$work"
mkdir -p "$work/rc64" "$work/rc32" "$work/gen"

# Resource scripts: versions at the edges, several languages, other resource
# types beside the version, a version among many strings.
write_rc() { # file major minor build revision language extra
    cat >"$1" <<EOF
#define LANG $6
1 VERSIONINFO
FILEVERSION $2,$3,$4,$5
PRODUCTVERSION $5,$4,$3,$2
FILEFLAGSMASK 0x3f
FILEOS 0x40004
FILETYPE 2
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904b0"
    BEGIN
      VALUE "CompanyName", "Test"
      VALUE "FileDescription", "Cross-check input"
      VALUE "FileVersion", "$2.$3.$4.$5"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", LANG, 1200
  END
END
$7
EOF
}
extra_rcdata='100 RCDATA { "some data", 1, 2, 3 }
STRINGTABLE { 1, "one" 2, "two" }'
n=0
for version in "1 25 0 0" "1 31 65535 65535" "1 32 7 1" "0 0 0 0" "65535 65535 65535 65535" \
    "2 28 3 4" "1 30 5 0" "1 30 9 0"; do
    for lang in 0x409 0x411; do
        n=$((n + 1))
        extra=""
        [ $((n % 2)) = 0 ] && extra=$extra_rcdata
        write_rc "$work/v$n.rc" $version $lang "$extra"
        sed -i "1a LANGUAGE $((lang & 0x3ff)), $((lang >> 10))" "$work/v$n.rc"
        x86_64-w64-mingw32-windres -F pe-x86-64 "$work/v$n.rc" -O coff -o "$work/v$n-64.o"
        x86_64-w64-mingw32-ld -m i386pep --dll -e 0 -o "$work/rc64/v$n.dll" "$work/v$n-64.o"
        x86_64-w64-mingw32-windres -F pe-i386 "$work/v$n.rc" -O coff -o "$work/v$n-32.o"
        # The mingw-w64 linker lacks the i386 scripts; the system's binutils
        # link the same object.
        ld -m i386pe --dll -e 0 -o "$work/rc32/v$n.dll" "$work/v$n-32.o"
    done
done
# A DLL with resources but no version, and one without any resource.
printf '100 RCDATA { "x" }\n' >"$work/nover.rc"
x86_64-w64-mingw32-windres -F pe-x86-64 "$work/nover.rc" -O coff -o "$work/nover.o"
x86_64-w64-mingw32-ld -m i386pep --dll -e 0 -o "$work/rc64/nover.dll" "$work/nover.o"

# The generator's own files.
mkverdll=$root/$host_build/bin/mkverdll.exe
"$mkverdll" "$work/gen/a.dll" 1.30.5.2 1.32
"$mkverdll" "$work/gen/b.dll" 1.25 --pe32
"$mkverdll" "$work/gen/c.dll" 1.0 --no-version
"$mkverdll" "$work/gen/d.dll" 1.0 --no-resources
"$mkverdll" "$work/gen/e.dll" 1.31 --lang 0
"$mkverdll" "$work/gen/f.dll" 1.31 --name 2

dirs=()
for d in /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/x86_64-linux-gnu/wine/i386-windows \
    /usr/lib/i386-linux-gnu/wine/i386-windows "$work/rc64" "$work/rc32" "$work/gen"; do
    [ -d "$d" ] && dirs+=("Z:$(echo "$d" | tr / '\\')")
done

WINEDEBUG=-all tools/wine-run "$root/$mingw_build/bin/version_dump.exe" "${dirs[@]}" | tr -d '\r' >"$work/wine.txt"
"$root/$host_build/bin/version_dump.exe" "${dirs[@]}" >"$work/layer.txt"

# Failure codes are compared as "no version numbers" only.
normalise() { sed -E 's/ (error|infoerror) [0-9]+$/ none/; s/ noroot$/ none/' "$1"; }
normalise "$work/wine.txt" >"$work/wine.cmp"
normalise "$work/layer.txt" >"$work/layer.cmp"
count=$(wc -l <"$work/wine.cmp")
with_version=$(grep -vc ' none$' "$work/wine.cmp" || true)
if ! diff -u "$work/wine.cmp" "$work/layer.cmp" >"$work/diff.txt"; then
    echo "version cross-check: the layer and Wine disagree (of $count files):" >&2
    head -40 "$work/diff.txt" >&2
    exit 1
fi
if [ "$count" -lt 200 ]; then
    echo "version cross-check: only $count files compared" >&2
    exit 1
fi
codes=$(paste -d' ' "$work/wine.txt" "$work/layer.txt" | awk '$2 == "error" && $5 == "error" && $3 != $6' | wc -l)
echo "version cross-check: $count files compared ($with_version with version numbers), all agree;" \
    "$codes failures with another code than Wine's"
