# The file layer: Win32 file functions, the file wrappers, the payload
# container and the packager.

freshline_console_executable(test_fileio_helper layer/test_fileio_helper.cpp)
freshline_use_win32(test_fileio_helper)

freshline_console_executable(fileio_layer_tests
    layer/test_fileio.cpp
    layer/test_fileio_find.cpp
    layer/test_fileio_share.cpp
)
target_link_libraries(fileio_layer_tests PRIVATE fl_test_support GTest::gtest_main)
add_dependencies(fileio_layer_tests test_fileio_helper)
freshline_add_test(fileio_layer_tests layer)

freshline_console_executable(sfx_unit_tests
    unit/test_winfile.cpp
    unit/test_sfx_reader.cpp
    unit/test_sfx_extract.cpp
    unit/test_sfx_names.cpp
)
target_link_libraries(sfx_unit_tests PRIVATE fl_sfx fl_test_support GTest::gtest_main)
freshline_add_test(sfx_unit_tests unit)
add_dependencies(sfx_unit_tests test_fileio_helper)

# The packager's round trip: a program that unpacks itself, packed with sfxpack.
freshline_console_executable(sfx_self_extract scenario/sfx_self_extract.cpp)
target_link_libraries(sfx_self_extract PRIVATE fl_sfx)

freshline_console_executable(sfxpack_tests scenario/test_sfxpack.cpp)
target_link_libraries(sfxpack_tests PRIVATE fl_test_support GTest::gtest_main)
add_dependencies(sfxpack_tests sfxpack sfx_self_extract)
freshline_add_test(sfxpack_tests scenario)

# A libFuzzer target for the payload reader and extraction (clang, Linux):
# configured by tools/check.d/40-fuzz-sfx.sh in a build of its own.
option(FRESHLINE_FUZZ "Build the fuzz targets (clang with libFuzzer)" OFF)
if(FRESHLINE_FUZZ AND NOT WIN32)
    freshline_console_executable(fuzz_sfx fuzz/fuzz_sfx.cpp)
    target_link_libraries(fuzz_sfx PRIVATE fl_sfx)
    target_compile_options(fuzz_sfx PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(fuzz_sfx PRIVATE -fsanitize=fuzzer,address,undefined)
endif()
