add_executable(firmware_bench firmware_bench.cpp)
target_link_libraries(firmware_bench PRIVATE app sim_server)
target_include_directories(firmware_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
