# The automaton core: a per-cell Life script against the engine's own call floor, and the
# generation copy against one memcpy.
vorlen_bench(core_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/CoreBench.cpp LIBS vl_core)
