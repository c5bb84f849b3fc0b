# Hostile GIFs, native tree only: hostile_gifs/make_hostile_gifs writes them at
# build time from the GIF corpus, the fuzzer's seeds and malformed streams.
if(WIN32)
  return()
endif()

add_executable(make_hostile_gifs
  ${CMAKE_CURRENT_LIST_DIR}/hostile_gifs/make_hostile_gifs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gif_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../support/scratch_dir.cpp
)
target_include_directories(make_hostile_gifs PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_LIST_DIR}
                           ${PROJECT_SOURCE_DIR}/tools/gif_flatten)

# The corpus folder as gif_tests.cmake writes it.
set(hostile_sources ${CMAKE_BINARY_DIR}/gif-corpus ${CMAKE_CURRENT_LIST_DIR}/../fuzz/seeds/gif_parser_fuzzer)
file(GLOB hostile_seed_files ${CMAKE_CURRENT_LIST_DIR}/../fuzz/seeds/gif_parser_fuzzer/*.gif)
set(hostile_gifs_path ${CMAKE_BINARY_DIR}/hostile-gifs)
add_custom_command(
  OUTPUT ${hostile_gifs_path}/names.txt
  COMMAND make_hostile_gifs ${hostile_gifs_path} ${hostile_sources}
  DEPENDS make_hostile_gifs ${CMAKE_BINARY_DIR}/gif-corpus/names.txt ${hostile_seed_files}
  COMMENT "Writing the hostile GIF set"
  VERBATIM)
add_custom_target(hostile_gifs ALL DEPENDS ${hostile_gifs_path}/names.txt)
add_dependencies(hostile_gifs gif_corpus)
