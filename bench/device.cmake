# Frames per second of the OpenGL device (run under SDL's offscreen driver when no display).
pkg_check_modules(VL_BENCH_SDL2 REQUIRED IMPORTED_TARGET sdl2)
vorlen_bench(device_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/device_bench.cpp LIBS vl_platform_gl PkgConfig::VL_BENCH_SDL2)
