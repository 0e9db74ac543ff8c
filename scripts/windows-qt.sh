#!/usr/bin/env bash
# Builds Qt for 64-bit Windows (mingw-w64, POSIX threads), statically and with only what the
# console and its tests use, from Debian's own qt6-base source package: the same version as
# this machine's Qt, so that its moc, rcc and uic serve the cross-build. The result goes into a
# cache outside the clone that later runs reuse; it counts as built only once the stamp that is
# written last exists, and a prefix without it is removed and built again.
#
#   scripts/windows-qt.sh            build when missing; print the prefix as the last line
#   scripts/windows-qt.sh --prefix   print the prefix only (whether or not it is built)
#
# DRAVIK_CACHE (default ${XDG_CACHE_HOME:-$HOME/.cache}/dravik) chooses the cache. The source
# comes through apt with a private configuration under the cache (a deb-src twin of the
# machine's own Debian entries), so the system's package lists are left as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null) || {
    echo "windows-qt: qt6-base-dev is not installed (scripts/deps.sh)" >&2
    exit 1
}
upstream=${version%%+*}

# What is built, and how. Anything that changes the result changes the prefix's name.
options=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=OFF
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    # Core, Gui, Widgets and Test, the windows platform plugin and the Windows styles.
    -DINPUT_opengl=no -DFEATURE_vulkan=OFF
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_xml=OFF -DFEATURE_dbus=OFF
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_icu=OFF
    -DFEATURE_zstd=OFF -DFEATURE_glib=OFF
    # Debian's source leaves out the non-free wintab headers that tablet events need.
    -DFEATURE_tabletevent=OFF
    -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF
    -DFEATURE_sql_sqlite=OFF -DFEATURE_system_sqlite=OFF
)
options_id=$(printf '%s\n' "$version" "${options[@]}" | sha256sum | cut -c1-10)

cache=${DRAVIK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dravik}
prefix=$cache/qt-$upstream-w64-static-$options_id
stamp=$prefix/.dravik-complete
if [[ ${1:-} == --prefix ]]; then
    echo "$prefix"
    exit 0
fi
if [[ -f $stamp ]]; then
    echo "$prefix"
    exit 0
fi

work=$cache/work-$upstream-$options_id
started=$(date +%s)
echo "windows-qt: building Qt $version for Windows into $prefix (about an hour of CPU time:" \
    "half an hour or more on 2 cores)"
rm -rf "$prefix" "$work"
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/apt/sources"

# deb-src twins of the machine's own Debian entries (deb822 or one-line form).
for list in /etc/apt/sources.list.d/*.sources; do
    [[ -f $list ]] && sed 's/^Types:.*deb\b.*/Types: deb-src/' "$list" >"$work/apt/sources/$(basename "$list")"
done
sources_list=/dev/null
if [[ -s /etc/apt/sources.list ]]; then
    sed -n 's/^deb \(.*\)$/deb-src \1/p' /etc/apt/sources.list >"$work/apt/sources.list"
    sources_list=$work/apt/sources.list
fi
apt_options=(-o "Dir::Etc::SourceList=$sources_list" -o "Dir::Etc::SourceParts=$work/apt/sources"
    -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
    -o Debug::NoLocking=1 -o APT::Sandbox::User=root)
apt-get "${apt_options[@]}" -qq update
(cd "$work" && apt-get "${apt_options[@]}" -qq source --download-only "qt6-base=$version")
# Debian's patches are applied as for Debian's own build.
dpkg-source --no-check -x "$work/qt6-base_$version.dsc" "$work/src" >/dev/null

cmake -S "$work/src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
    "${options[@]}" >"$work/configure.log" 2>&1 || {
    tail -n 40 "$work/configure.log" >&2
    echo "windows-qt: configuring Qt failed; the whole log is $work/configure.log" >&2
    exit 1
}
cmake --build "$work/build" -j "${JOBS:-$(nproc)}" >"$work/build.log" 2>&1 || {
    grep -m 20 -B 2 -A 10 'error' "$work/build.log" >&2 || tail -n 40 "$work/build.log" >&2
    echo "windows-qt: building Qt failed; the whole log is $work/build.log" >&2
    exit 1
}
cmake --install "$work/build" >"$work/install.log" 2>&1
rm -rf "$work"
seconds=$(($(date +%s) - started))
# The CPU time of everything run here, for comparing builds on a busy and an idle machine.
times >"$cache/times-$options_id"  # in this shell, not a pipeline's: its children's times
cpu=$(tail -n 1 "$cache/times-$options_id" |
    awk '{ for (i = 1; i <= NF; i++) { split($i, t, "m"); s += t[1] * 60 + t[2] } printf "%d", s }')
rm -f "$cache/times-$options_id"
printf '%s\n' "$version" "${options[@]}" "built in $seconds s, $cpu s of CPU" >"$stamp"
echo "windows-qt: built in $seconds s, $cpu s of CPU ($(du -sh "$prefix" | cut -f1))" >&2
echo "$prefix"
