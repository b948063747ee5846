#!/usr/bin/env bash
# Builds the libFuzzer targets (the fuzz preset) and runs every fuzz_* binary
# for a bounded time, seeded from the shared corpus. Fails when any target
# reports a crash, a leak, a time-out or any other sanitizer finding.
#
#   scripts/fuzz.sh          a short run of every target (CI)
#   scripts/fuzz.sh --long   a long run: FUZZ_SECONDS defaults to 600, and each
#                            target keeps the inputs it finds in the build
#                            folder's corpus/ to start from next time
#
#   FUZZ_SECONDS   seconds per target (default 15, or 600 with --long)
#   FUZZ_TARGETS   space-separated target names to run (default: all)
#   FUZZ_BUILD_DIR another build folder for the fuzz preset (default build/fuzz)
#   FUZZ_MAX_LEN   longest input libFuzzer makes (default 4096; seeds are cut
#                  to it, so that every target runs well over 1,000 inputs a
#                  second)
#
# Each target's executions, executions a second and coverage are printed.
# Inputs that fail are kept in the build folder's artifacts/.
set -euo pipefail
long=0
if [ "${1:-}" = "--long" ]; then
    long=1
    shift
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
corpus="$repo/../shared/corpus"
if [ $long -eq 1 ]; then
    seconds=${FUZZ_SECONDS:-600}
else
    seconds=${FUZZ_SECONDS:-15}
fi
max_len=${FUZZ_MAX_LEN:-4096}
build=${FUZZ_BUILD_DIR:-}
if [ -z "$build" ]; then
    build="$repo/build/fuzz"
    cmake --preset fuzz >/dev/null
else
    cmake --preset fuzz -B "$build" >/dev/null
fi
# Only the fuzz targets and what they link are built; the programs are not.
fuzz_targets=$(cmake --build "$build" --target help | sed -n 's/^\(fuzz_[a-z0-9_]*\):.*/\1/p')
cmake --build "$build" -j "$(nproc)" --target $fuzz_targets
bin="$build/bin"
artifacts="$build/artifacts"

work=$(mktemp -d "${TMPDIR:-/tmp}/glazen-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$artifacts"

# Seed files for a target, one path a line. Nothing is written to the corpus:
# seeds are copied into a working folder of the run.
seeds_for() {
    case "$1" in
    tga)
        ls "$corpus"/images/*.tga "$corpus"/images/tga-conformance/*.tga 2>/dev/null || true ;;
    tga_rle)
        ls "$corpus"/images/tga-conformance/c*.tga "$corpus"/images/oa-holdable_medkit.tga 2>/dev/null || true ;;
    png | archive)
        ls "$repo"/tests/data/"$1"/* 2>/dev/null || true ;;
    jpeg)
        ls "$corpus"/images/*.jpg 2>/dev/null || true ;;
    shader)
        [ -d "$corpus/shaders/openarena" ] && find "$corpus/shaders/openarena" -type f || true ;;
    scene)
        [ -d "$repo/tests/data/scenes" ] && find "$repo/tests/data/scenes" -type f || true ;;
    keys)
        [ -d "$repo/tests/data/keys" ] && find "$repo/tests/data/keys" -type f || true ;;
    dib)
        ls "$repo"/tests/data/images/*.bmp 2>/dev/null || true ;;
    shelf)
        ls "$repo"/prefs/*.shelf 2>/dev/null || true ;;
    script)
        ls "$repo"/prefs/Tools/*.ascr 2>/dev/null || true ;;
    config)
        [ -d "$repo/tests/data/config" ] && find "$repo/tests/data/config" -type f || true ;;
    *) ;;
    esac
}

shopt -s nullglob
targets=("$bin"/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
    echo "fuzz.sh: no fuzz_* binaries in $bin" >&2
    exit 1
fi

failed=()
for target in "${targets[@]}"; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    kind=${name#fuzz_}
    if [ -n "${FUZZ_TARGETS:-}" ] && [[ " $FUZZ_TARGETS " != *" $name "* ]]; then
        continue
    fi
    dir="$work/$name"
    mkdir -p "$dir/corpus"
    # A long run grows a corpus of its own that outlives the run.
    kept=()
    if [ $long -eq 1 ]; then
        mkdir -p "$build/corpus/$name"
        kept=("$build/corpus/$name")
    fi
    count=0
    while IFS= read -r seed; do
        [ -f "$seed" ] || continue
        if [ "$kind" = shader ]; then
            # One seed a shader: a whole script cut at max_len would lose the
            # shaders past the cut, and every input would cost the reading of
            # dozens of shaders. Small seeds keep the inputs small as well.
            awk -v out="$dir/corpus/seed-$count-" '
                { buf = buf $0 "\n"; opened = gsub(/\{/, "{"); closed = gsub(/\}/, "}")
                  depth += opened - closed
                  if (depth <= 0 && closed > 0) {
                      f = out (++n); printf "%s", buf > f; close(f); buf = ""; depth = 0 } }
                END { if (buf ~ /[^ \t\r\n]/) { f = out (++n); printf "%s", buf > f; close(f) } }
            ' "$seed"
        else
            cp "$seed" "$dir/corpus/seed-$count"
        fi
        count=$((count + 1))
    done < <(seeds_for "$kind")

    echo "== $name: ${seconds}s, $(find "$dir/corpus" -type f | wc -l) seeds from $count files"
    status=0
    "$target" "${kept[@]}" "$dir/corpus" \
        -max_total_time="$seconds" -max_len="$max_len" -timeout=25 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/$name-" \
        >"$dir/log" 2>&1 || status=$?
    # libFuzzer exits non-zero on a finding; the log is checked as well, so a
    # report that did not stop the run still fails it.
    if [ $status -ne 0 ] ||
        grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|SUMMARY: ' "$dir/log"; then
        echo "!! $name failed (exit $status); the end of its log:" >&2
        tail -n 60 "$dir/log" >&2
        failed+=("$name")
    else
        execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -n 1)
        rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log" | tail -n 1)
        cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$dir/log" | tail -n 1)
        echo "   $execs inputs, $rate a second, $cov"
    fi
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzz.sh: failures in: ${failed[*]} (inputs in $artifacts)" >&2
    exit 1
fi
echo "fuzz.sh: every target ran clean"
