#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors, and runs every test with CTest: the
# store tests once on SQLite and once on a PostgreSQL server made for the run (tools/with-postgres.sh), which
# must be there.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

"$top/tools/install-deps.sh"
cmake -S "$top" -B "$top/build-test" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKTV_WARNINGS_AS_ERRORS=ON
cmake --build "$top/build-test"
cd "$top/build-test"
QT_QPA_PLATFORM=offscreen KTV_REQUIRE_POSTGRES=1 "$top/tools/with-postgres.sh" ctest --output-on-failure --timeout 300
