# The payload locator and indexed bitmaps, in both trees.
set(PLAYER_CORE_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/payload_locator_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/indexed_bitmap_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../support/scratch_dir.cpp
)

if(WIN32)
  add_executable(player_core_tests ${PLAYER_CORE_TESTS} ${CMAKE_CURRENT_LIST_DIR}/indexed_bitmap_draw_test.cpp)
  target_include_directories(player_core_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(player_core_tests PRIVATE player_core gtest_main)
  gtest_discover_tests(player_core_tests TEST_PREFIX "win." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
  add_import_check(player_core_tests)
else()
  add_executable(player_core_tests ${PLAYER_CORE_TESTS})
  target_include_directories(player_core_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(player_core_tests PRIVATE player_core_checked gtest_main)
  add_sanitized(player_core_tests)
  gtest_discover_tests(player_core_tests TEST_PREFIX "host." DISCOVERY_MODE PRE_TEST)
endif()
