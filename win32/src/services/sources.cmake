# The service area: run-time loading in the layer itself, and the service
# control manager in the layer's advapi32, a shared library of its own that
# LoadLibraryA("advapi32.dll") maps and that test programs may link.
#
# advapi32 is built without the layer and binds at load time to the program's
# copy of it (one last error, one state directory); every program exports
# what it needs.
add_library(w32_advapi32 SHARED
    ${CMAKE_CURRENT_LIST_DIR}/database.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controller.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dispatcher.cpp
    ${CMAKE_CURRENT_LIST_DIR}/exports.cpp
)
target_include_directories(w32_advapi32 SYSTEM PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../../include)
set_target_properties(w32_advapi32 PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

target_sources(w32 PRIVATE ${CMAKE_CURRENT_LIST_DIR}/loader.cpp)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/loader.cpp PROPERTIES
    COMPILE_DEFINITIONS "W32_ADVAPI32_PATH=\"$<TARGET_FILE:w32_advapi32>\"")
add_dependencies(w32 w32_advapi32)
target_link_options(w32 INTERFACE
    "LINKER:--dynamic-list=${CMAKE_CURRENT_LIST_DIR}/exports.list")
