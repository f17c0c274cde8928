kr_add_test(sim_test SOURCES ${CMAKE_CURRENT_LIST_DIR} /
            sim_server_test.cpp ${CMAKE_CURRENT_LIST_DIR} /
            sim_fault_test.cpp LIBS sim_server Qt6::Network)
kr_add_test(sim_model_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/sim_model_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/sim_fault_plan_test.cpp
    LIBS sim_model)
kr_add_test(sim_command_line_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/sim_command_line_test.cpp
    LIBS sim_server Qt6::Network)
target_compile_definitions(sim_command_line_test PRIVATE SIM_EXECUTABLE="$<TARGET_FILE:kr470qx-sim>")
add_dependencies(sim_command_line_test kr470qx-sim)
