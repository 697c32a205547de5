# Scripts in machine code against the interpreter and against the same rules in C++.
vorlen_bench(jit_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/JitBench.cpp LIBS vl_jit vl_core)
