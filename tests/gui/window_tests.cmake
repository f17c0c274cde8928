# GUI test executables: our own main with one application, offscreen, against the real window.
function(kr_add_gui_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES} ${CMAKE_CURRENT_LIST_DIR}/gui_test_main.cpp)
    target_link_libraries(${name} PRIVATE app ${ARG_LIBS} Qt6::Test GTest::gtest GTest::gmock)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    set(env "QT_QPA_PLATFORM=offscreen" "ASAN_OPTIONS=detect_leaks=0")
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "${env}" TIMEOUT 120)
endfunction()

kr_add_gui_test(window_test SOURCES window_startup_test.cpp window_layout_test.cpp window_language_test.cpp window_settings_test.cpp window_host_test.cpp window_app_test.cpp)

add_executable(window_screenshots screenshots.cpp)
target_link_libraries(window_screenshots PRIVATE app)
target_include_directories(window_screenshots PRIVATE ${PROJECT_SOURCE_DIR}/tests)
add_test(NAME window_screenshots
    COMMAND window_screenshots ${CMAKE_CURRENT_BINARY_DIR}/screenshots)
set_tests_properties(window_screenshots PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0" TIMEOUT 60)

kr_add_gui_test(window_look_test SOURCES window_look_test.cpp window_input_test.cpp)
