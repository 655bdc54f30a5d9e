#!/usr/bin/env bash
# A bounded libFuzzer run of the layer's version-resource reader, under
# AddressSanitizer and UndefinedBehaviorSanitizer, from a small seed corpus of
# generated and real PE files. Longer run (the corpus grows in place):
#   FUZZ_SECONDS=3600 bash tools/check.d/30-fuzz-version.sh
# FRESHLINE_HOST_BUILD names another host build (default build/host), whose
# mkverdll writes the generated seeds.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
host_build=${FRESHLINE_HOST_BUILD:-build/host}
seconds=${FUZZ_SECONDS:-20}
out=$root/$host_build/fuzz-version

fuzzer_ready() {
    echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' \
        >"$out/probe.cpp"
    clang++ -fsanitize=fuzzer "$out/probe.cpp" -o "$out/probe" >/dev/null 2>&1
}
mkdir -p "$out"
if ! fuzzer_ready; then
    if [ "$(id -u)" != 0 ]; then
        echo "fuzz-version: clang with libFuzzer is missing, and not root to install it" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends clang libclang-rt-dev >/dev/null ||
        apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev >/dev/null
    fuzzer_ready || { echo "fuzz-version: cannot build a libFuzzer program" >&2; exit 1; }
fi

clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I win32/src/version tests/fuzz/fuzz_version_reader.cpp win32/src/version/version_reader.cpp \
    -o "$out/fuzz_version_reader"

corpus=$out/corpus
mkdir -p "$corpus"
mkverdll=$root/$host_build/bin/mkverdll.exe
"$mkverdll" "$corpus/seed-pe64.dll" 1.30.5.2 1.32
"$mkverdll" "$corpus/seed-pe32.dll" 1.25 --pe32
"$mkverdll" "$corpus/seed-noversion.dll" 1.0 --no-version
"$mkverdll" "$corpus/seed-noresources.dll" 1.0 --no-resources
# A few small real DLLs of the Wine package, when it is there.
for dll in $(ls -S /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/*.dll 2>/dev/null | tail -4); do
    cp "$dll" "$corpus/real-$(basename "$dll")"
done

"$out/fuzz_version_reader" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
    -print_final_stats=1 "$corpus" >"$out/fuzz.log" 2>&1 || {
    tail -40 "$out/fuzz.log" >&2
    echo "fuzz-version: the reader failed (see $out/fuzz.log)" >&2
    exit 1
}
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/fuzz.log")
echo "fuzz-version: ${runs:-?} inputs in ${seconds}s, no crash, hang or out-of-bounds read"
