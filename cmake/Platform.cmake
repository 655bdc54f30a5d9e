# What differs between the two targets, kept out of the product's own files.
#   Windows (mingw-w64): static runtime, GUI subsystem for the patch.
#   Linux: the product builds against the Win32 layer in win32/.

if(WIN32)
    add_compile_options(-Wall -Wextra)
    # No runtime DLL beside the executables: libgcc, libstdc++ and winpthread
    # are linked in.
    add_link_options(-static -static-libgcc -static-libstdc++)
else()
    add_compile_options(-Wall -Wextra -g)
    if(FRESHLINE_SANITIZE)
        add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                            -fno-omit-frame-pointer)
        add_link_options(-fsanitize=address,undefined)
    endif()
endif()

# Links a target against the Win32 API of its platform.
function(freshline_use_win32 target)
    if(WIN32)
        target_link_libraries(${target} PUBLIC version)
    else()
        target_link_libraries(${target} PUBLIC w32_api)
    endif()
endfunction()

# A program with a WinMain entry: the GUI subsystem on Windows, the layer's
# main() on Linux. Its file name ends with .exe on both targets.
function(freshline_gui_executable target)
    add_executable(${target} ${ARGN})
    if(WIN32)
        set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
    else()
        target_link_libraries(${target} PRIVATE w32_winmain)
    endif()
    set_target_properties(${target} PROPERTIES SUFFIX ".exe")
endfunction()

# A console program (tests and their helpers).
function(freshline_console_executable target)
    add_executable(${target} ${ARGN})
    set_target_properties(${target} PROPERTIES SUFFIX ".exe")
endfunction()
