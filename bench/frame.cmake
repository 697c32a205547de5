# Frames per second of the framework's loop on the OpenGL device (llvmpipe under SDL's
# offscreen driver unless SDL_VIDEODRIVER says otherwise).
vorlen_bench(frame_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/frame_bench.cpp LIBS vl_frame)
