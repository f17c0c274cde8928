# The tests that run on Windows: no pseudo-terminals and no simulator there, so the Qt-free
# units, the reply readers and the registry store. Cross-built, they run under the emulator
# (wine) that CMAKE_CROSSCOMPILING_EMULATOR names.
include(${PROJECT_SOURCE_DIR}/cmake/mingw_runtime.cmake)
kr_mingw_runtime_dlls(kr_runtime_dlls)

# Qt's and the runtime's DLLs are copied beside the test programs, where Windows looks first;
# the offscreen platform comes from Qt's own plug-in folder.
set(kr_test_dlls ${kr_runtime_dlls})
foreach(module Core Gui Widgets Network SerialPort)
    list(APPEND kr_test_dlls $<TARGET_FILE:Qt6::${module}>)
endforeach()
set(kr_qt_plugins "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}")
if(CMAKE_CROSSCOMPILING)
    set(kr_qt_plugins "Z:${kr_qt_plugins}")  # Wine's drive Z: is the host's root
endif()

function(kr_add_windows_test name)
    add_custom_command(TARGET ${name} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${kr_test_dlls} $<TARGET_FILE_DIR:${name}>
        VERBATIM)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 120 ENVIRONMENT
        "QT_QPA_PLATFORM=offscreen;QT_PLUGIN_PATH=${kr_qt_plugins};WINEDEBUG=-all")
endfunction()

set(unit ${CMAKE_CURRENT_SOURCE_DIR}/unit)
kr_add_test(codec_test SOURCES ${unit}/codec_test.cpp LIBS frame_codec)
kr_add_test(collector_test SOURCES ${unit}/collector_test.cpp LIBS link_core)
kr_add_test(speed_string_test SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/link/link_speed_string_test.cpp
            LIBS link_core)
kr_add_test(reply_fields_test SOURCES ${unit}/reply_fields_test.cpp LIBS operations)
kr_add_test(shell_test SOURCES ${unit}/shell_test.cpp LIBS app)
kr_add_test(settings_registry_test SOURCES ${unit}/settings_registry_test.cpp LIBS shell)
kr_add_test(serial_platform_test SOURCES ${unit}/serial_platform_win_test.cpp LIBS link)

# Every page in every language as PNG files; run beside the zip's DLLs and plug-ins.
add_executable(window_screenshots ${CMAKE_CURRENT_SOURCE_DIR}/gui/screenshots.cpp)
target_link_libraries(window_screenshots PRIVATE app)
target_include_directories(window_screenshots PRIVATE ${PROJECT_SOURCE_DIR}/tests)
