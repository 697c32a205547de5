# The colour mapping per cell, by mode, over a 1000 x 1000 world.
vorlen_bench(view_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/view_bench.cpp LIBS vl_view)
