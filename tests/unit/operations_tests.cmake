kr_add_test(reply_fields_test SOURCES reply_fields_test.cpp LIBS operations)
