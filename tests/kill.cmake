# The patch killed at each step that changes the file system (the layer's
# W32_KILL_AT), then run again. The layer's facility: Linux only; the test
# skips itself where the variable has no effect.
freshline_console_executable(kill_point_tests scenario/test_kill_points.cpp)
target_link_libraries(kill_point_tests PRIVATE fl_mkverdll fl_test_windows GTest::gtest_main)
add_dependencies(kill_point_tests P_FL132 sfxpack)
freshline_add_test(kill_point_tests scenario)
if(NOT WIN32)
    # The console looks and the pauses of the procedure, divided by 50.
    set_property(TEST kill_point_tests APPEND PROPERTY ENVIRONMENT W32_TIME_DIVISOR=50)
endif()
