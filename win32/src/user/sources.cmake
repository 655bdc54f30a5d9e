# user32: windows, messages and message boxes; and the debugger output.
target_sources(w32 PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/debug_output.cpp
    ${CMAKE_CURRENT_LIST_DIR}/message_loop.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_channel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_registry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windows.cpp
)
