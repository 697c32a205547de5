# DrawWorld per view for a 1000 x 1000 world on the OpenGL device (llvmpipe under SDL's
# offscreen driver unless SDL_VIDEODRIVER says otherwise).
pkg_check_modules(VL_BENCH_RENDER_IL REQUIRED IMPORTED_TARGET IL)
vorlen_bench(render_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/render_bench.cpp
  LIBS vl_render vl_platform_gl PkgConfig::VL_BENCH_SDL2 PkgConfig::VL_BENCH_RENDER_IL)
