# Table files and pictures: 1000 x 1000 worlds saved and loaded in both table formats, the
# same bytes through zlib's own one-call functions for comparison, and a PNG both ways.
vorlen_bench(files_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/files_bench.cpp LIBS vl_files ZLIB::ZLIB)
