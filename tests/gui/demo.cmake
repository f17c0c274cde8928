# The demo's driver for machines without a display (scripts/demo).
add_executable(demo_driver ${CMAKE_CURRENT_LIST_DIR}/demo_driver.cpp)
target_link_libraries(demo_driver PRIVATE app Qt6::Test)
