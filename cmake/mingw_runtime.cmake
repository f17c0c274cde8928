# The MinGW-w64 runtime DLLs a program of this compiler needs beside it. Empty for other
# compilers (MSVC's runtime comes from InstallRequiredSystemLibraries).
function(kr_mingw_runtime_dlls out)
    set(dlls)
    if(MINGW)
        foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
            execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
                            OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
            # The compiler echoes a bare name it cannot find; the sysroot holds the rest.
            if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
                find_file(path_${name} ${name} PATH_SUFFIXES bin lib NO_CACHE)
                set(path "${path_${name}}")
            endif()
            if(NOT EXISTS "${path}")
                message(FATAL_ERROR "MinGW runtime ${name} not found")
            endif()
            get_filename_component(path "${path}" REALPATH)
            list(APPEND dlls "${path}")
        endforeach()
    endif()
    set(${out} "${dlls}" PARENT_SCOPE)
endfunction()
