#!/usr/bin/env bash
# Builds the Debian package from build/, installs it as a user would, and
# builds two small hosts against what it installed: a C host through
# pkg-config and a CMake host through find_package. Needs root or sudo;
# removes the package again at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
(cd build && cpack -G DEB >/dev/null)
package=$(ls build/vdimpexp_*_amd64.deb)
trap '"${as_root[@]}" apt-get remove -y -qq vdimpexp >/dev/null' EXIT
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$package" >/dev/null

work=$(mktemp -d)
cat > "$work/host.c" <<'C'
#include <stdio.h>
#include <vdimpexp.h>

int main(int argc, char** argv) {
  vdimpexp_connection* connection = NULL;
  if (argc < 2 || vdimpexp_open_connection(argv[1], &connection) != VDIMPEXP_OK) {
    fprintf(stderr, "open failed: %s\n", vdimpexp_last_error_message());
    return 1;
  }
  printf("vdimpexp %s\n", vdimpexp_version());
  vdimpexp_close_connection(connection);
  return 0;
}
C
cat > "$work/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(cmake_host C)
find_package(vdimpexp 1.08 REQUIRED)
add_executable(cmake_host host.c)
target_link_libraries(cmake_host PRIVATE vdimpexp::vdimpexp)
CMAKE
vdhost --db "$work/shop.db" --create-empty >/dev/null 2>&1
cc -o "$work/pkg_host" "$work/host.c" $(pkg-config --cflags --libs vdimpexp)
"$work/pkg_host" "$work/shop.db"
cmake -S "$work" -B "$work/build" -G Ninja >/dev/null && cmake --build "$work/build" >/dev/null
"$work/build/cmake_host" "$work/shop.db"
vdimpexp --version
vdimpexp formats | grep -qx "Excel 97"
man -w vdimpexp vdhost >/dev/null 2>&1 || test -f /usr/share/man/man1/vdimpexp.1
rm -rf "$work"
echo "The installed package builds and runs both hosts."
