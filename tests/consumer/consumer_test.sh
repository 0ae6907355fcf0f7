#!/usr/bin/env bash
# Installs the build into a temporary prefix and builds a small client
# against it, once through find_package(tdf) and once through pkg-config,
# then runs both, and the README's client, on the bundled example; the
# installed tdftool and dcphost must run from the prefix alone.
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

# The README's client builds the same way and reads the files it names.
sed -n '/^## Using the library/,/^## /p' "$source/README.md" | sed -n '/^```cpp$/,/^```$/p' | sed '1d;$d' >"$work/readme_client.cpp"
[ -s "$work/readme_client.cpp" ] || { echo "FAIL no client in the README"; exit 1; }
# shellcheck disable=SC2046
g++ -std=c++17 -fPIC -Wall -Wextra -Werror "$work/readme_client.cpp" -o "$work/readme_client" \
  $(pkg-config --cflags --libs tdf) -Wl,-rpath,"$libdir" || { echo "FAIL the README's client does not build"; exit 1; }
mkdir "$work/client_run"
cp "$source/examples/default.tcf" "$work/client_run/default.tcf"
cp "$source/examples/example.tdf" "$work/client_run/run.tdf"
(cd "$work/client_run" && "$work/readme_client") || { echo "FAIL the README's client failed on the example"; exit 1; }

# The installed headers are whole: each one they include is installed too.
for header in "$prefix"/include/tdf/*.h; do
  for included in $(sed -n 's/^#include "\(.*\)"/\1/p' "$header"); do
    [ -e "$prefix/include/tdf/$included" ] || { echo "FAIL $(basename "$header") includes $included"; exit 1; }
  done
done

# The library exports its public API and nothing else: every name a dynamic
# symbol is made of is declared in an installed header, apart from the
# plug-in's entry points and the linker's own marks.
library=$(find "$prefix" -name 'libtdf.so' | head -n 1)
nm -DC --defined-only "$library" | cut -d' ' -f3- |
  sed -e 's/^\(typeinfo name\|typeinfo\|vtable\|VTT\) for //' -e 's/(.*//' -e 's/<.*//' >"$work/symbols"
while read -r symbol; do
  case $symbol in
  ucm_instantiate | qt_ucm_query_verification_data | __bss_start | _edata | _end) continue ;;
  std::* | *" std::"*) echo "FAIL libtdf exports the standard library's $symbol"; exit 1 ;;
  esac
  for name in ${symbol//::/ }; do
    name=${name#\~}
    grep -qw -- "$name" "$prefix"/include/tdf/*.h ||
      { echo "FAIL libtdf exports $symbol: $name is in no installed header"; exit 1; }
  done
done <"$work/symbols"

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
echo "consumer built and run through find_package and pkg-config; tdftool and dcphost run from the prefix;" \
  "$(wc -l <"$work/symbols") exported symbols, all of the public API"
