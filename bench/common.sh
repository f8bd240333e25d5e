# Shared by the benchmarks: installs what they need, builds, and moves into a
# scratch folder that is removed on exit. Sets $tvk and $work.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"

# bench_setup NAME [PACKAGES...]
bench_setup() {
    local name="$1"
    shift
    install_missing_packages time "$@"
    build build >/dev/null
    tvk="$ROOT/build/cli/tvk"
    work="$(mktemp -d "${TMPDIR:-/var/tmp}/tvk-$name.XXXXXX")"
    trap 'rm -rf "$work"' EXIT
    cd "$work"
}
