# GoogleTest for the Windows build: an installed package (vcpkg, MSYS2) when there is one, else
# built here from its source tree (Debian's googletest package when cross-building).
find_package(GTest QUIET)
if(NOT GTest_FOUND)
    set(GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest source tree to build along")
    if(NOT EXISTS "${GTEST_SOURCE_DIR}/CMakeLists.txt")
        message(FATAL_ERROR "GoogleTest not found: install it, set GTEST_SOURCE_DIR, "
                            "or configure with -DBUILD_TESTING=OFF")
    endif()
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory("${GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
    # Its own flags only: our warnings-as-errors are not its business.
    set_property(TARGET gtest gtest_main gmock gmock_main PROPERTY COMPILE_OPTIONS "")
endif()
