# Why a connect failed: causes made real on this machine, the tooltip's words in each language.
kr_add_gui_test(failure_tooltip_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/failure_tooltip_test.cpp
    LIBS sim_server)
