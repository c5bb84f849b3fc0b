# The player's core under valgrind's memcheck, native tree only: play_frames runs
# the hostile GIF set (hostile_gifs/, written at build time from the GIF corpus,
# the fuzzer's seeds and malformed streams) through the plain core, built without
# sanitizers, so that memcheck sees every pixel the decoder or the canvas leaves
# undefined, reads outside the file's block, and leaks.
if(WIN32)
  return()
endif()
find_program(VALGRIND valgrind)
find_path(VALGRIND_INCLUDE_DIR valgrind/memcheck.h)
if(NOT VALGRIND OR NOT VALGRIND_INCLUDE_DIR)
  message(STATUS "valgrind not found; the memcheck test is skipped (scripts/setup.sh installs it)")
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

add_executable(play_frames
  ${CMAKE_CURRENT_LIST_DIR}/hostile_gifs/play_frames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../support/scratch_dir.cpp
)
target_include_directories(play_frames PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${VALGRIND_INCLUDE_DIR})
# Valgrind 3.19 cannot read the DWARF 5 that clang writes by default.
target_compile_options(play_frames PRIVATE -gdwarf-4)
target_link_libraries(play_frames PRIVATE player_core)
add_dependencies(play_frames hostile_gifs)

# Definite and indirect leaks count as errors; memcheck's own exit code tells its
# findings from the program's failures.
add_test(NAME memcheck.hostile_gifs
         COMMAND ${VALGRIND} --tool=memcheck -q --error-exitcode=99 --track-origins=yes
                 --leak-check=full --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect
                 $<TARGET_FILE:play_frames> ${hostile_gifs_path}/names.txt)
set_tests_properties(memcheck.hostile_gifs PROPERTIES TIMEOUT 300 LABELS memcheck)
