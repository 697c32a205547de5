# The workbench's drawing (bands, controls, status texts) through the drawing managers on the
# OpenGL device (llvmpipe under SDL's offscreen driver unless SDL_VIDEODRIVER says otherwise).
vorlen_bench(gfx_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/gfx_bench.cpp LIBS vl_gfx)
