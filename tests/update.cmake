# Whole runs that update: the patch packed with its payload by sfxpack, an
# installation of "KsUpdate.dll" 1.30 copies, the master service (the test
# service) and the console stand-in where a case needs them.
freshline_console_executable(update_scenario_tests scenario/test_update_scenarios.cpp)
target_link_libraries(update_scenario_tests PRIVATE fl_mkverdll fl_test_services fl_test_windows
    GTest::gtest_main)
freshline_link_services(update_scenario_tests)
add_dependencies(update_scenario_tests P_FL132 sfxpack console_standin test_service layer_helper)
freshline_add_test(update_scenario_tests scenario)
set_tests_properties(update_scenario_tests PROPERTIES RESOURCE_LOCK master_service)
if(NOT WIN32)
    # The service polls, the console looks and the pauses of the procedures,
    # divided by 50.
    set_property(TEST update_scenario_tests APPEND PROPERTY ENVIRONMENT W32_TIME_DIVISOR=50)
endif()
