# Shared by the benchmark scripts (sourced): an SCL directory of the banks of
# the generated files, and one measurement line per command.
# Needs $work (a temporary folder) and $build (the build folder).

# Writes the directory of the generated files' banks to $1.
bench_scl_directory() {
    printf 'Gueltig ab / valid from 01.12.2026;;;;;;\nBIC;Name;SERVICE SCT;SERVICE COR;SERVICE COR1;SERVICE B2B;SERVICE SCC\nBYLADEM1001;A;1;1;1;1;0\nCOBADEFFXXX;B;1;1;1;1;0\n' >"$work/scl.csv"
    "$build/valorix-check" --import-scl "$work/scl.csv" "$1" >/dev/null
}

# measure LABEL COMMAND...: whole-process seconds and peak memory of the
# command; with show_output=1 also the first 80 characters of its output.
measure() {
    local label=$1; shift
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/out" 2>&1 || true
    read -r secs kb < <(tail -n 1 "$work/time")
    printf "%-${label_width:-44}s %8.2f s %8d MB" "$label" "$secs" $((kb / 1024))
    if [ "${show_output:-0}" = 1 ]; then printf '   %s' "$(head -c 80 "$work/out" | head -n 1)"; fi
    printf '\n'
}
