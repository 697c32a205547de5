# The automaton core: a per-cell Life script against the engine's own call floor, and the
# generation copy against one memcpy; the Life iteration through the stoppable script call
# against the bare engine call, interpreted and in machine code.
vorlen_bench(core_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/CoreBench.cpp LIBS vl_core vl_jit)
# What running script calls on the script worker costs the window's thread: the hand-off, and
# an iteration of the Life example on either thread.
vorlen_bench(worker_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/WorkerBench.cpp LIBS vl_jit vl_core)
target_compile_definitions(worker_bench PRIVATE VORLEN_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples")
