#!/usr/bin/env bash
# Builds the zip reader fuzz target with clang and runs it: fuzz/run.sh [SECONDS] (default 600).
# Seeds are small archives made by the peer tools and by ourselves; findings land in build/fuzz/findings.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
build="$root/build/fuzz"
"$root/scripts/setup-deps" clang libclang-rt-14-dev
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_COMPILER=clang -DQUORVEL_FUZZ=ON -DQUORVEL_SANITIZE=ON -DQUORVEL_BUILD_GUI=OFF \
    -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target fuzz-zip-reader quorvel-backup-cli

seeds="$build/seeds"
mkdir -p "$seeds" "$build/corpus" "$build/findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/d/sub"
printf 'hello hello hello\n' >"$work/d/a.txt"
printf 'x' >"$work/d/sub/b"
: >"$work/d/empty"
(cd "$work" && zip -qr "$seeds/info.zip" d && zip -qr -P pw "$seeds/crypt.zip" d &&
    printf 'streamed' | zip -q "$seeds/stream.zip" - && zip -qr -fz "$seeds/z64.zip" d &&
    zip -qr -0 "$seeds/stored.zip" d)
printf 'pw\n' >"$work/pw"
rm -f "$seeds"/*.zip
(cd "$work" && "$build/src/cli/quorvel-backup-cli" zip "$seeds/own.zip" -r -p --password-file pw d >/dev/null)
TMPDIR=${TMPDIR:-/dev/shm} nice "$build/fuzz/fuzz-zip-reader" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/findings/" -print_final_stats=1 "$build/corpus" "$seeds"

# What fuzzing covered joins the committed corpus, minimised, so that the test run replays it.
corpus="$root/tests/fuzz/corpus/zip_reader"
mkdir -p "$corpus"
"$build/fuzz/fuzz-zip-reader" -merge=1 -max_len=4096 -timeout=10 "$corpus" "$build/corpus" "$seeds" 2>&1 | tail -1
