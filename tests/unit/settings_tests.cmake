kr_add_test(settings_test SOURCES settings_test.cpp LIBS app)
kr_add_test(shell_test SOURCES shell_test.cpp LIBS app)
