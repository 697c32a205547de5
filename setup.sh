#!/usr/bin/env bash
# Installs what the build needs (Debian 12, as root or through sudo), configures and builds.
#
#   ./setup.sh run [DEFINITION]   optimised build in build/, then opens the workbench on
#                                 DEFINITION (default: examples/life.vl)
#   ./setup.sh test               build with AddressSanitizer and UndefinedBehaviorSanitizer
#                                 in build-asan/, then runs every test twice: scripts compiled
#                                 to machine code, then (VORLEN_JIT=0) interpreted; then builds
#                                 the fuzz targets with clang in build-fuzz/, replays their seeds
#                                 and saved crashers and fuzzes each for a minute (fuzz/README.md)
#   ./setup.sh build              optimised build only
#   ./setup.sh bench              optimised build, then runs the benchmarks
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev imagemagick
  zlib1g-dev angelscript-dev libasmjit-dev libdevil-dev libsdl2-dev libepoxy-dev
  libfreetype-dev libfontconfig-dev fonts-liberation libgtk-3-dev xvfb xauth x11-utils
  libgl1-mesa-dri libegl-mesa0 libglx-mesa0 python3
  libavcodec-dev libavformat-dev libswscale-dev libavutil-dev
  libgdk-pixbuf-2.0-dev clang-14 libclang-rt-14-dev
  desktop-file-utils shared-mime-info groff-base
)

install_packages() {
  local missing=()
  for package in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

jobs() { nproc 2>/dev/null || echo 2; }

configure_and_build() {  # folder, extra cmake arguments...
  local folder=$1; shift
  cmake -S . -B "$folder" -G Ninja "$@"
  cmake --build "$folder" -j "$(jobs)"
}

command=${1:-test}
case "$command" in
  run)
    install_packages
    configure_and_build build -DCMAKE_BUILD_TYPE=Release -DVORLEN_TESTS=OFF
    shift || true
    exec ./build/vorlen "${1:-examples/life.vl}"
    ;;
  build)
    install_packages
    configure_and_build build -DCMAKE_BUILD_TYPE=Release -DVORLEN_TESTS=OFF
    ;;
  test)
    install_packages
    configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DVORLEN_SANITIZE=ON -DVORLEN_BENCH=OFF
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
    ctest --test-dir build-asan --output-on-failure -j "$(jobs)"
    echo "== again, with scripts in the interpreter (VORLEN_JIT=0)"
    VORLEN_JIT=0 ctest --test-dir build-asan --output-on-failure -j "$(jobs)"
    cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLEN_FUZZ=ON -DVORLEN_TESTS=OFF -DVORLEN_BENCH=OFF
    cmake --build build-fuzz --target fuzz -j "$(jobs)"
    fuzz/run.sh build-fuzz replay
    rm -rf build-fuzz/fuzz/findings build-fuzz/fuzz/corpus-*
    fuzz/run.sh build-fuzz fuzz "${FUZZ_SECONDS:-60}"
    ;;
  bench)
    install_packages
    configure_and_build build -DCMAKE_BUILD_TYPE=Release -DVORLEN_TESTS=OFF
    export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen}  # the device benchmarks need no display
    for program in build/bench/*_bench; do
      if [ -f "$program" ] && [ -x "$program" ]; then
        echo "== $program"
        "$program"
      fi
    done
    ;;
  *)
    echo "usage: $0 run [DEFINITION] | test | build | bench" >&2
    exit 64
    ;;
esac
