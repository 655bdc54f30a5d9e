# version: the version resource of PE files, read from the file itself.
target_sources(w32 PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/version_api.cpp
    ${CMAKE_CURRENT_LIST_DIR}/version_reader.cpp
)
