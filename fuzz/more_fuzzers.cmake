# Fuzz targets beyond the reply checks, each with a seed corpus in corpus/<name>/.
kr_add_fuzzer(collector SOURCES fuzz_collector.cpp LIBS link_core)
kr_add_fuzzer(reply_readers SOURCES fuzz_reply_readers.cpp LIBS operations firmware)
kr_add_fuzzer(firmware_loader SOURCES fuzz_firmware_loader.cpp LIBS firmware)
# Only the reader: the rest of the window library is not needed to fuzz it.
kr_add_fuzzer(settings_reader
    SOURCES fuzz_settings_reader.cpp ${PROJECT_SOURCE_DIR}/src/app/reg_file_format.cpp
    LIBS Qt6::Core)
target_include_directories(fuzz_settings_reader PRIVATE ${PROJECT_SOURCE_DIR}/src/app)
