# The GIF parser and LZW decoder, in both trees: unit tests over streams from the
# test writer (gif_tests), and a comparison with giflib over a corpus of files
# from ImageMagick and giflib's tools (gif_reference_tests). The native tree
# writes the corpus and giflib's decoding of it at build time; the Windows tree,
# which has no giflib, reads both from GIF_CORPUS_DIR.
set(GIF_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/gif_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/parsed_gif.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lzw_decoder_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reference_lzw_decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gif_parser_test.cpp
)
set(GIF_REFERENCE_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/gif_reference.cpp
  ${CMAKE_CURRENT_LIST_DIR}/parsed_gif.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gif_reference_test.cpp
)

if(WIN32)
  set(GIF_CORPUS_DIR ${CMAKE_SOURCE_DIR}/build/host/gif-corpus CACHE PATH
      "GIF corpus and giflib's decoding of it, as written by the native tree")
  # Wine shows the Unix root as drive Z:.
  set(gif_corpus_path ${GIF_CORPUS_DIR})
  if(gif_corpus_path MATCHES "^/")
    set(gif_corpus_path "Z:${gif_corpus_path}")
  endif()

  add_executable(gif_tests ${GIF_TESTS})
  target_include_directories(gif_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(gif_tests PRIVATE player_core gtest_main)
  gtest_discover_tests(gif_tests TEST_PREFIX "win." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
  add_import_check(gif_tests)

  add_executable(gif_reference_tests ${GIF_REFERENCE_TESTS})
  target_include_directories(gif_reference_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_LIST_DIR})
  target_compile_definitions(gif_reference_tests PRIVATE GIF_CORPUS_DIR="${gif_corpus_path}")
  target_link_libraries(gif_reference_tests PRIVATE player_core gtest_main)
  gtest_discover_tests(gif_reference_tests TEST_PREFIX "win." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
  add_import_check(gif_reference_tests)
else()
  find_package(GIF REQUIRED)

  add_executable(gif_reference_dump
    ${CMAKE_CURRENT_LIST_DIR}/gif_corpus/gif_reference_dump.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gif_reference.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gif_reference_giflib.cpp
  )
  target_include_directories(gif_reference_dump PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(gif_reference_dump PRIVATE GIF::GIF)

  set(gif_corpus_path ${CMAKE_BINARY_DIR}/gif-corpus)
  add_custom_command(
    OUTPUT ${gif_corpus_path}/names.txt
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/gif_corpus/make_corpus.sh ${gif_corpus_path} $<TARGET_FILE:gif_reference_dump>
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/gif_corpus/make_corpus.sh gif_reference_dump
    COMMENT "Writing the GIF corpus and giflib's decoding of it"
    VERBATIM)
  add_custom_target(gif_corpus ALL DEPENDS ${gif_corpus_path}/names.txt)

  add_executable(gif_tests ${GIF_TESTS})
  target_include_directories(gif_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(gif_tests PRIVATE player_core_checked gtest_main)
  add_sanitized(gif_tests)
  gtest_discover_tests(gif_tests TEST_PREFIX "host." DISCOVERY_MODE PRE_TEST)

  add_executable(gif_reference_tests ${GIF_REFERENCE_TESTS}
    ${CMAKE_CURRENT_LIST_DIR}/gif_reference_giflib.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gif_writer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../support/scratch_dir.cpp
  )
  target_include_directories(gif_reference_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_LIST_DIR})
  target_compile_definitions(gif_reference_tests PRIVATE GIF_CORPUS_DIR="${gif_corpus_path}" GIF_REFERENCE_GIFLIB)
  target_link_libraries(gif_reference_tests PRIVATE player_core_checked gtest_main GIF::GIF)
  add_sanitized(gif_reference_tests)
  add_dependencies(gif_reference_tests gif_corpus)
  gtest_discover_tests(gif_reference_tests TEST_PREFIX "host." DISCOVERY_MODE PRE_TEST)
endif()
