# The automaton core: a per-cell Life script against the engine's own call floor, and the
# generation copy against one memcpy; the Life iteration through the stoppable script call
# against the bare engine call, interpreted and in machine code.
vorlen_bench(core_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/CoreBench.cpp LIBS vl_core vl_jit)
