kr_add_test(sim_test SOURCES ${CMAKE_CURRENT_LIST_DIR} /
            sim_server_test.cpp ${CMAKE_CURRENT_LIST_DIR} /
            sim_fault_test.cpp LIBS sim_server Qt6::Network)
kr_add_test(sim_model_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/sim_model_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/sim_fault_plan_test.cpp
    LIBS sim_model)
