#!/usr/bin/env bash
# Checks the two Debian packages in DIR (default build/ci/packages) as an installed system
# would see them: each is unpacked into a root of its own, its programs answer --version
# without a display and write nothing beside themselves, the desktop entry and the manual
# pages are valid, lintian finds no error, and the collector's package pulls no Qt GUI
# library. Ends with "packages: N passed, N failed, N skipped"; exits 1 when a check failed.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
dir=${1:-build/ci/packages}

passed=0 failed=0 skipped=0
indent() { sed 's/^/    /'; }
pass() { echo "PASS $1"; passed=$((passed + 1)); }
fail() {
    echo "FAIL $1"
    [ -z "${2:-}" ] || indent <<<"$2"
    failed=$((failed + 1))
}
skip() { echo "SKIP $1: $2"; skipped=$((skipped + 1)); }
summary() {
    echo "packages: $passed passed, $failed failed, $skipped skipped"
    [ "$failed" -eq 0 ]
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# One package of each name, or nothing can be said about them.
find_deb() {
    local found=("$dir"/"$1"_*.deb)
    if [ ! -f "${found[0]}" ]; then
        fail "$1: no $1_*.deb in $dir"
    elif [ ${#found[@]} -ne 1 ]; then
        fail "$1: more than one $1_*.deb in $dir" "${found[*]}"
    else
        deb=${found[0]}
        return 0
    fi
    summary
    exit
}
find_deb korvelan && program_deb=$deb
find_deb korvelan-collect && collect_deb=$deb
echo "Checking $program_deb and $collect_deb"

program_root=$tmp/korvelan collect_root=$tmp/korvelan-collect
for pair in "$program_deb:$program_root" "$collect_deb:$collect_root"; do
    mkdir -p "${pair#*:}"
    if ! out=$(dpkg-deb -x "${pair%%:*}" "${pair#*:}" 2>&1); then
        fail "unpacking ${pair%%:*}" "$out"
        summary
        exit
    fi
done

# Without a display, a home of its own, and Qt from the system, as on a server.
bare() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_DATA_HOME -u LD_LIBRARY_PATH \
        HOME="$tmp/home" timeout 60 "$@"
}

version=$(dpkg-deb -f "$program_deb" Version)
for check in "$program_root korvelan KORVELAN" "$program_root korvelan-sim korvelan-sim" \
             "$collect_root korvelan-collect korvelan-collect"; do
    read -r root name expected <<<"$check"
    out=$(bare "$root/usr/bin/$name" --version 2>&1)
    rc=$?
    if [ $rc -eq 0 ] && [ "$out" = "$expected $version" ]; then
        pass "$name --version without a display: $out"
    else
        fail "$name --version without a display (exit $rc, expected \"$expected $version\")" "$out"
    fi
done

# The programs keep their files in the per-user folder, never beside themselves: run the
# collector against a device that is not there and look at where it wrote.
before=$(cd "$collect_root" && find . | sort)
out=$(bare "$collect_root/usr/bin/korvelan-collect" --device "$tmp/no-such-device" 2>&1)
rc=$?
after=$(cd "$collect_root" && find . | sort)
if [ $rc -ne 2 ]; then
    fail "korvelan-collect on a missing device exits 2 (it exited $rc)" "$out"
elif [ "$before" != "$after" ]; then
    fail "korvelan-collect wrote into its installation" "$(diff <(echo "$before") <(echo "$after"))"
elif [ ! -d "$tmp/home/.local/share/KORVELAN" ]; then
    fail "korvelan-collect made no program folder in ~/.local/share/KORVELAN" "$out"
else
    pass "korvelan-collect keeps its files in ~/.local/share/KORVELAN, none beside itself"
fi

for deb in "$program_deb" "$collect_deb"; do
    depends=$(dpkg-deb -f "$deb" Depends)
    if grep -q 'libqt6core6' <<<"$depends"; then
        pass "$(basename "$deb"): dependencies from its binaries: $depends"
    else
        fail "$(basename "$deb"): no Qt in Depends, so they were not computed from its binaries" \
            "$depends"
    fi
done

# A new project version needs its entry in packaging/changelog.
for root in "$program_root" "$collect_root"; do
    changelog=$(find "$root/usr/share/doc" -name changelog.gz)
    latest=$(zcat "$changelog" 2>/dev/null | sed -n '1s/^[^ ]* (\([^)]*\)).*/\1/p')
    if [ "$latest" = "$version" ]; then
        pass "${changelog#"$root"/}: latest entry $latest"
    else
        fail "${changelog#"$root"/}: latest entry \"$latest\" is not the version $version"
    fi
done

entry=$program_root/usr/share/applications/korvelan.desktop
if [ ! -f "$entry" ]; then
    fail "the desktop entry usr/share/applications/korvelan.desktop is in the package"
elif out=$(desktop-file-validate "$entry" 2>&1) && [ -z "$out" ]; then
    pass "desktop-file-validate korvelan.desktop"
else
    fail "desktop-file-validate korvelan.desktop" "$out"
fi
missing=()
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry" 2>/dev/null)
icon_name=$(sed -n 's/^Icon=//p' "$entry" 2>/dev/null)
[ -n "$exec_name" ] && [ -x "$program_root/usr/bin/$exec_name" ] || missing+=("Exec=$exec_name")
icons=$program_root/usr/share/icons/hicolor
[ -n "$icon_name" ] && [ -f "$icons/scalable/apps/$icon_name.svg" ] ||
    missing+=("scalable/apps/$icon_name.svg")
for size in 16 24 32 48 64 128 256; do
    png=$icons/${size}x$size/apps/$icon_name.png
    if [ ! -f "$png" ] || ! file "$png" | grep -q "PNG image data, $size x $size"; then
        missing+=("${size}x$size/apps/$icon_name.png")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    pass "the desktop entry's program and icons (SVG, PNG 16 to 256) are in the package"
else
    fail "the desktop entry's program and icons are in the package; missing:" "${missing[*]}"
fi

# Every program has its manual page, and each renders without a warning.
for root in "$program_root" "$collect_root"; do
    for program in "$root"/usr/bin/*; do
        page=$root/usr/share/man/man1/$(basename "$program").1.gz
        if [ ! -f "$page" ]; then
            fail "$(basename "$program") has a manual page"
            continue
        fi
        # man's sandbox is refused in some containers; the check needs none.
        out=$(MANWIDTH=80 MAN_DISABLE_SECCOMP=1 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
        rendered=$(MANWIDTH=80 MAN_DISABLE_SECCOMP=1 man -E UTF-8 -l "$page" 2>/dev/null | wc -l)
        if [ -z "$out" ] && [ "$rendered" -gt 20 ]; then
            pass "man -l $(basename "$page"): $rendered lines, no warning"
        else
            fail "man -l $(basename "$page") ($rendered lines)" "$out"
        fi
    done
done

# The example units, pointed at the unpacked collector: systemd names a setting it would
# ignore, so anything it says is a fault.
units=$tmp/units
examples=$collect_root/usr/share/doc/korvelan-collect/examples
if ! command -v systemd-analyze >/dev/null; then
    skip "systemd-analyze verify of the example units" "systemd-analyze is not installed"
elif [ ! -f "$examples/korvelan-collect.service" ] || [ ! -f "$examples/korvelan-collect.timer" ]
then
    fail "the example units are in usr/share/doc/korvelan-collect/examples"
else
    mkdir -p "$units"
    sed "s|/usr/bin/korvelan-collect|$collect_root/usr/bin/korvelan-collect|" \
        "$examples/korvelan-collect.service" >"$units/korvelan-collect.service"
    cp "$examples/korvelan-collect.timer" "$units/"
    if out=$(systemd-analyze verify --man=no "$units"/korvelan-collect.* 2>&1) && [ -z "$out" ]
    then
        pass "systemd-analyze verify korvelan-collect.service korvelan-collect.timer"
    else
        fail "systemd-analyze verify korvelan-collect.service korvelan-collect.timer" "$out"
    fi
fi

out=$(lintian --fail-on error "$program_deb" "$collect_deb" 2>&1)
rc=$?
[ -z "$out" ] || indent <<<"$out"
if [ $rc -eq 0 ]; then
    pass "lintian: no error ($(grep -c '^W: ' <<<"$out") warnings, shown above)"
else
    fail "lintian (exit $rc)"
fi

# A server installs the collector without the desktop stack.
gui_needed='^libQt6(Gui|Widgets|Charts|OpenGL)'
gui_packages='^libqt6(gui|widgets|charts|opengl)'
needed=$(readelf -d "$collect_root/usr/bin/korvelan-collect" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
depends=$(dpkg-deb -f "$collect_deb" Depends)
mapfile -t names < <(tr ',|' '\n' <<<"$depends" | awk 'NF { print $1 }' | sort -u)
# What apt would bring along, recommended packages included as apt installs them.
pulled=$(apt-cache depends --recurse --no-suggests --no-conflicts --no-breaks --no-replaces \
    --no-enhances "${names[@]}" 2>&1 | grep -v '^ ' | sort -u)
bad=$( (grep -E "$gui_needed" <<<"$needed"; grep -E "$gui_packages" <<<"$pulled") | sort -u)
if ! apt-cache show "${names[@]}" >/dev/null 2>&1; then
    fail "korvelan-collect pulls no Qt GUI library: apt does not know all of ${names[*]}"
elif [ -n "$bad" ]; then
    fail "korvelan-collect pulls no Qt GUI library; it pulls:" "$bad"
else
    pass "korvelan-collect pulls no Qt GUI library (Depends: $depends)"
fi

summary
