kr_add_gui_test(firmware_window_test
    SOURCES firmware_upgrade_test.cpp firmware_file_test.cpp
    LIBS firmware sim_server)
