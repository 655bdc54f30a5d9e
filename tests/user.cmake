# Windows across processes: the layer's user32 (or Wine's), the console
# stand-in and the trace viewer, console control, the trace log's viewer sink
# and whole runs with the administration console.

freshline_gui_executable(console_standin programs/console_standin.cpp)
set_target_properties(console_standin PROPERTIES OUTPUT_NAME console)
freshline_use_win32(console_standin)

freshline_gui_executable(trace_viewer programs/trace_viewer.cpp)
freshline_use_win32(trace_viewer)

add_library(fl_test_windows INTERFACE)
target_include_directories(fl_test_windows INTERFACE programs layer)
target_link_libraries(fl_test_windows INTERFACE fl_test_support)

freshline_console_executable(windows_layer_tests layer/test_windows.cpp)
target_link_libraries(windows_layer_tests PRIVATE fl_test_windows GTest::gtest_main)
add_dependencies(windows_layer_tests console_standin trace_viewer)
freshline_add_test(windows_layer_tests layer)

# The console waits: the tests lower the two wait settings; the layer also
# divides the 5000 ms pause (real under Wine).
freshline_console_executable(admin_control_tests
    unit/test_admin_control.cpp
    unit/test_trace_viewer.cpp
)
target_link_libraries(admin_control_tests PRIVATE fl_control fl_diag fl_test_windows
    GTest::gtest_main)
add_dependencies(admin_control_tests console_standin trace_viewer)
freshline_add_test(admin_control_tests unit)

# Whole runs: the patch's own waits, divided by 200 on Linux (ten minutes of
# looks for the console become three seconds).
freshline_console_executable(console_scenario_tests scenario/test_console_scenarios.cpp)
target_link_libraries(console_scenario_tests PRIVATE fl_test_windows GTest::gtest_main)
add_dependencies(console_scenario_tests P_FL132 console_standin)
freshline_add_test(console_scenario_tests scenario)
if(NOT WIN32)
    set_property(TEST admin_control_tests APPEND PROPERTY ENVIRONMENT W32_TIME_DIVISOR=50)
    set_property(TEST console_scenario_tests APPEND PROPERTY ENVIRONMENT W32_TIME_DIVISOR=200)
endif()

if(WIN32)
    # Under Wine every process of the prefix sees every window: a console
    # window of one test program would be found by a patch that another one
    # runs. Programs that open such windows, and those that run the patch or
    # its units, take turns.
    function(freshline_lock_wine_windows)
        get_property(tests DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} PROPERTY TESTS)
        foreach(test IN LISTS tests)
            get_test_property(${test} LABELS labels)
            if(test STREQUAL "windows_layer_tests" OR labels MATCHES "unit|scenario")
                set_property(TEST ${test} APPEND PROPERTY RESOURCE_LOCK wine_windows)
            endif()
        endforeach()
    endfunction()
    cmake_language(DEFER DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} CALL freshline_lock_wine_windows)
endif()
