# The portable Windows zip: the tool with every DLL and plug-in it loads beside it, so that a
# technician unpacks it anywhere and runs kr470qx-tools.exe. `cpack -G ZIP` in the build folder.
include(${CMAKE_CURRENT_LIST_DIR}/mingw_runtime.cmake)

set(kr_zip_component portable)
install(TARGETS kr470qx-tools RUNTIME DESTINATION . COMPONENT ${kr_zip_component})
# The console program beside it, on the same DLLs.
install(TARGETS kr470qx-cli RUNTIME DESTINATION . COMPONENT ${kr_zip_component})
foreach(module Core Gui Widgets Network SerialPort)
    install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION . COMPONENT ${kr_zip_component})
endforeach()
# Qt looks for its plug-ins in these folders beside the executable.
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>
        DESTINATION platforms COMPONENT ${kr_zip_component})
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>
        DESTINATION styles COMPONENT ${kr_zip_component})

kr_mingw_runtime_dlls(kr_runtime_dlls)
install(FILES ${kr_runtime_dlls} DESTINATION . COMPONENT ${kr_zip_component})
if(MINGW AND CMAKE_STRIP)
    # The runtime DLLs come with their debugging sections, most of their size.
    foreach(dll IN LISTS kr_runtime_dlls)
        get_filename_component(name "${dll}" NAME)
        install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug
                          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${name}\")"
                COMPONENT ${kr_zip_component})
    endforeach()
endif()
if(MSVC)
    set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION .)
    set(CMAKE_INSTALL_SYSTEM_RUNTIME_COMPONENT ${kr_zip_component})
    include(InstallRequiredSystemLibraries)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME kr470qx-tools)
set(CPACK_PACKAGE_VENDOR VELMO)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME kr470qx-tools-${PROJECT_VERSION}-win64)
# Only the portable set: the Linux desktop entry and icon stay out.
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${kr_zip_component})
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_ARCHIVE_FILE_NAME ${CPACK_PACKAGE_FILE_NAME})
# Unpacked, it is one folder of that name.
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
