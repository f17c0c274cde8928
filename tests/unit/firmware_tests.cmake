kr_add_test(firmware_image_test SOURCES firmware_image_test.cpp LIBS firmware Qt6::Core)
