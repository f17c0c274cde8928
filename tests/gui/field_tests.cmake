# What the window tells a technician in the field: why a connect failed, which adapter a port is.
kr_add_gui_test(field_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/failure_tooltip_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/port_tooltip_test.cpp
    LIBS sim_server)
