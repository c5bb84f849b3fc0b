# End-to-end tests of loopvue.exe: a driver under Wine starts the real program and
# reads back its windows and the screen.
if(WIN32)
  add_executable(player_e2e_tests
    ${CMAKE_CURRENT_LIST_DIR}/player_e2e_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../support/plain_gif.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../support/scratch_dir.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../support/win_driver.cpp)
  target_include_directories(player_e2e_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(player_e2e_tests PRIVATE LOOPVUE_EXE="$<TARGET_FILE:loopvue>")
  target_link_libraries(player_e2e_tests PRIVATE gtest_main gdi32 user32)
  add_dependencies(player_e2e_tests loopvue)
  gtest_discover_tests(player_e2e_tests TEST_PREFIX "win." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       PROPERTIES TIMEOUT 1200 RESOURCE_LOCK display)
endif()
