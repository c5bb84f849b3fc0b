# The flattener's sources, for its libraries here and the fuzzer's instrumented copy.
set(GIF_FLATTEN_SOURCES)
foreach(source colour_histogram colour_quantizer gif_flattener gif_renderer nearest_colour source_gif)
  list(APPEND GIF_FLATTEN_SOURCES ${CMAKE_CURRENT_LIST_DIR}/${source}.cpp)
endforeach()
