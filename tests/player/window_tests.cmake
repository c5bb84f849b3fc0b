# The playback window driven in-process under Wine: its timers and its sequencer
# live in the test's own process, where the test can watch them. The window stays
# hidden, so the tests need no turn at the display.
if(WIN32)
  add_executable(player_window_tests
    ${CMAKE_CURRENT_LIST_DIR}/player_window_test.cpp
    ${CMAKE_SOURCE_DIR}/player/player_window.cpp
    ${CMAKE_SOURCE_DIR}/player/player_globals.cpp
    ${CMAKE_SOURCE_DIR}/player/loopvue.rc
    ${CMAKE_CURRENT_LIST_DIR}/../support/import_patch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../support/plain_gif.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../support/scratch_dir.cpp)
  target_include_directories(player_window_tests PRIVATE ${CMAKE_SOURCE_DIR}/player ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(player_window_tests PRIVATE player_core gtest_main winmm gdi32 user32)
  gtest_discover_tests(player_window_tests TEST_PREFIX "win." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
  add_import_check(player_window_tests)
endif()
