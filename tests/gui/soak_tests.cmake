# The tool against a simulated controller that misbehaves on purpose. ctest runs the short counts;
# scripts/soak runs the same executable with the long ones.
kr_add_gui_test(soak_test SOURCES soak_test.cpp LIBS sim_server frame_codec)

# Bad input of every kind, against the real window and a simulated or scripted controller.
kr_add_gui_test(bad_input_test
    SOURCES bad_settings_test.cpp bad_firmware_file_test.cpp bad_link_input_test.cpp
    LIBS sim_server)
