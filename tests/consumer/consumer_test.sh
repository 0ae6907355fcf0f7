#!/usr/bin/env bash
# Installs the build into a temporary prefix and builds a small client
# against it, once through find_package(tdf) and once through pkg-config,
# then runs both on the bundled example; the installed tdftool and dcphost
# must run from the prefix alone.
#   consumer_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
expected="59 lines, 29 objects, 0 errors; 1135000 ns is 1ms 135us"

cmake -S "$source/tests/consumer" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
by_cmake=$("$work/cmake/consumer" "$source/examples/default.tcf" "$source/examples/example.tdf")
[ "$by_cmake" = "$expected" ] || { echo "FAIL find_package: $by_cmake"; exit 1; }

pc_dir=$(dirname "$(find "$prefix" -name tdf.pc)")
export PKG_CONFIG_PATH=$pc_dir
libdir=$(pkg-config --variable=libdir tdf)
# shellcheck disable=SC2046
g++ -std=c++17 -fPIC "$source/tests/consumer/consumer.cpp" -o "$work/by_pkg_config" $(pkg-config --cflags --libs tdf) \
  -Wl,-rpath,"$libdir"
by_pkg_config=$("$work/by_pkg_config" "$source/examples/default.tcf" "$source/examples/example.tdf")
[ "$by_pkg_config" = "$expected" ] || { echo "FAIL pkg-config: $by_pkg_config"; exit 1; }

# No directory the client's include path names holds a header called error.h.
for flag in $(pkg-config --cflags-only-I tdf); do
  [ ! -e "${flag#-I}/error.h" ] || { echo "FAIL ${flag#-I} holds error.h"; exit 1; }
done

env -u LD_LIBRARY_PATH "$prefix/bin/tdftool" check -q "$source/examples/example.tdf" >/dev/null ||
  { echo "FAIL the installed tdftool does not run from the prefix"; exit 1; }
# dcphost finds the installed plug-in and merge script from where it is: an
# installed script that only leaves a mark shows which one ran.
cat >"$prefix/share/tdf/mergedataco.pl" <<'SCRIPT'
open(my $mark, '>', 'installed-script-ran') or die;
SCRIPT
(cd "$work" && QT_QPA_PLATFORM=offscreen env -u LD_LIBRARY_PATH -u XDG_RUNTIME_DIR "$prefix/bin/dcphost" \
  "$source/examples/dataco/sensor.tio" "$source/examples/dataco/sensor.fdc" >dcphost.out 2>dcphost.err)
[ -e "$work/installed-script-ran" ] ||
  { echo "FAIL the installed dcphost did not run the installed merge script: $(cat "$work/dcphost.err")"; exit 1; }
echo "consumer built and run through find_package and pkg-config; tdftool and dcphost run from the prefix"
