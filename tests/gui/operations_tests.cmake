# The controller operations through the real window against the simulated controller.
kr_add_gui_test(operations_gui_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/operations_connect_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/operations_command_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/operations_continuous_test.cpp
    LIBS sim_server)
