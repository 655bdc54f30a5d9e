#!/usr/bin/env bash
# A bounded libFuzzer run of the payload directory reader and extraction
# (Linux only, in build/fuzz-sfx): no crash, hang, or access outside a buffer.
#   FUZZ_SFX_SECONDS  length of the run (default 30)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$here/build/fuzz-sfx
seconds=${FUZZ_SFX_SECONDS:-30}

fuzzer_ready() {
    command -v clang++ >/dev/null &&
        echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long){return 0;}' |
        clang++ -x c++ -fsanitize=fuzzer -o /dev/null - 2>/dev/null
}
if ! fuzzer_ready; then
    if [ "$(id -u)" = 0 ]; then
        echo "== installing clang for libFuzzer"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq && apt-get install -y -qq --no-install-recommends clang >/dev/null || true
    fi
fi
if ! fuzzer_ready; then
    if [ "${CI:-}" = "true" ]; then
        echo "40-fuzz-sfx: clang with libFuzzer is missing" >&2
        exit 1
    fi
    echo "40-fuzz-sfx: clang with libFuzzer is missing; skipped"
    exit 0
fi

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DFRESHLINE_FUZZ=ON \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" >/dev/null
cmake --build "$build" -j2 --target fuzz_sfx

# Seeds: a well-formed payload of two members, and one with a negative count.
corpus=$build/corpus
mkdir -p "$corpus"
python3 - "$corpus" <<'PY'
import struct, sys
d = sys.argv[1]
def container(members, count=None):
    img = b""
    data, recs, off = b"", b"", 21
    for name, body in members:
        recs += struct.pack("<II", off + len(data), len(body)) + name + struct.pack("<I", len(name))
        data += body
    n = len(members) if count is None else count
    return data + recs + struct.pack("<i", n) + b"!QUIL_SFX!"
open(d + "/seed-two", "wb").write(container([(b"KsUpdate.dll", b"A" * 1500), (b"b.txt", b"")]))
open(d + "/seed-negative", "wb").write(container([(b"x", b"1")], -1))
PY
mkdir -p "$build/state"
W32_STATE_DIR="$build/state" "$build/bin/fuzz_sfx.exe" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 "$corpus"
