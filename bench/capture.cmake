# What drawing the world without a window and recording it cost a frame, and what recording
# every iteration of the Life example adds to its run (a timing program printing medians).
vorlen_bench(capture_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/CaptureBench.cpp LIBS vl_capture vl_jit vl_core)
target_compile_definitions(capture_bench PRIVATE VORLEN_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples"
  VORLEN_ARROW="${CMAKE_BINARY_DIR}/arrow.tga")
add_dependencies(capture_bench vorlen-data)
