add_executable(link_bench link_bench.cpp)
target_link_libraries(link_bench PRIVATE link Qt6::Core)
target_include_directories(link_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
