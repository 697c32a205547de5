# The XNL reader: time per KB of a large header, refusal time of expansion bombs.
vorlen_bench(xnl_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/XnlBench.cpp LIBS vl_xnl)
