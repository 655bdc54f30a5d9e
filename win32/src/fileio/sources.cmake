# Files, file search, attributes and share modes between processes.
target_sources(w32 PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/attributes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_handles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/find.cpp
    ${CMAKE_CURRENT_LIST_DIR}/move.cpp
    ${CMAKE_CURRENT_LIST_DIR}/share_modes.cpp
)
