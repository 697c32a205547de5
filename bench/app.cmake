# The workbench's frame with the real Application on the OpenGL device: what the controls and
# the status bar cost, and the frame rate of a 1000 x 1000 world in each view.
vorlen_bench(app_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/app_bench.cpp LIBS vl_app vl_platform_gl vl_jit)
add_dependencies(app_bench vorlen-data)
target_compile_definitions(app_bench PRIVATE VORLEN_DATA_DIR="${CMAKE_BINARY_DIR}")
