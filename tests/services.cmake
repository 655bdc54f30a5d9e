# Service control: the layer's service control manager (or Wine's), the test
# service, the general operations and whole runs with the master service.

# Test programs call the service functions directly: advapi32 on Windows, the
# layer's advapi32 library on Linux.
function(freshline_link_services target)
    if(WIN32)
        target_link_libraries(${target} PRIVATE advapi32)
    else()
        target_link_libraries(${target} PRIVATE w32_advapi32)
    endif()
endfunction()

freshline_console_executable(test_service programs/test_service.cpp)
freshline_use_win32(test_service)
freshline_link_services(test_service)

add_library(fl_test_services STATIC layer/test_services_support.cpp)
target_include_directories(fl_test_services PUBLIC layer programs)
target_link_libraries(fl_test_services PUBLIC fl_test_support)
freshline_link_services(fl_test_services)
add_dependencies(fl_test_services test_service)

freshline_console_executable(service_layer_tests layer/test_services.cpp)
target_link_libraries(service_layer_tests PRIVATE fl_test_services GTest::gtest_main)
freshline_link_services(service_layer_tests)
freshline_add_test(service_layer_tests layer)

freshline_console_executable(service_control_tests unit/test_service_control.cpp)
target_link_libraries(service_control_tests PRIVATE fl_control fl_test_services GTest::gtest_main)
freshline_link_services(service_control_tests)
freshline_add_test(service_control_tests unit)
if(NOT WIN32)
    # The 91-query limits, with every wait divided by 20 (about 4.6 s each).
    add_test(NAME service_control_limits COMMAND service_control_tests --gtest_filter=*Limit*)
    set_tests_properties(service_control_limits PROPERTIES LABELS unit ENVIRONMENT
        "W32_STATE_DIR=${CMAKE_BINARY_DIR}/state/service_control_limits;W32_TIME_DIVISOR=20")
endif()

# Whole runs control the service "rirorariza", which every run of the patch on
# an HTTP-based server touches: such programs run one at a time (under Wine
# they share one service control manager).
freshline_console_executable(service_scenario_tests scenario/test_service_scenarios.cpp)
target_link_libraries(service_scenario_tests PRIVATE fl_control fl_diag fl_test_services
    GTest::gtest_main)
freshline_link_services(service_scenario_tests)
add_dependencies(service_scenario_tests P_FL132)
freshline_add_test(service_scenario_tests scenario)
set_tests_properties(service_scenario_tests scenario_tests PROPERTIES RESOURCE_LOCK master_service)
