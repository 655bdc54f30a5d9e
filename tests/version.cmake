# The version area: the layer's version functions, the probe, the test-DLL
# generator, and the program behind the cross-check with the system's
# version functions.

freshline_console_executable(version_layer_tests layer/test_version_api.cpp)
target_link_libraries(version_layer_tests PRIVATE fl_mkverdll fl_test_support GTest::gtest_main)
freshline_add_test(version_layer_tests layer)

freshline_console_executable(version_unit_tests unit/test_version_probe.cpp)
target_link_libraries(version_unit_tests PRIVATE fl_patch fl_mkverdll fl_test_support GTest::gtest_main)
freshline_add_test(version_unit_tests unit)

freshline_console_executable(version_scenario_tests scenario/test_version_scenarios.cpp)
target_link_libraries(version_scenario_tests PRIVATE fl_mkverdll fl_test_support GTest::gtest_main)
add_dependencies(version_scenario_tests P_FL132)
freshline_add_test(version_scenario_tests scenario)

# Prints the version numbers, or the failure code, of every file in the
# directories it is given; tools/check.d/20-version-crosscheck.sh compares
# its output on both targets.
freshline_console_executable(version_dump programs/version_dump.cpp)
freshline_use_win32(version_dump)

# Damaged images against the layer alone: the system's own functions may read
# past the end of such a file, so they are no reference for these.
if(NOT WIN32)
    freshline_console_executable(version_damaged_tests layer/test_version_damaged.cpp)
    target_link_libraries(version_damaged_tests PRIVATE fl_mkverdll fl_test_support GTest::gtest_main)
    freshline_add_test(version_damaged_tests layer)
endif()
