# Link over real pseudo-terminals and loopback TCP; the collector and speed strings on their own.
add_executable(link_test link_test_main.cpp link_transact_test.cpp link_open_test.cpp
    link_port_settings_test.cpp)
target_link_libraries(link_test PRIVATE link Qt6::Core GTest::gtest GTest::gmock)
target_include_directories(link_test PRIVATE ${PROJECT_SOURCE_DIR}/tests)
gtest_discover_tests(link_test DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0" TIMEOUT 120)

kr_add_test(collector_test SOURCES ${PROJECT_SOURCE_DIR}/tests/unit/collector_test.cpp LIBS link_core)
kr_add_test(speed_string_test SOURCES link_speed_string_test.cpp LIBS link_core)
