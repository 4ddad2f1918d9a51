# The RTF reader, and text detection with the hex dump.
zarovia_add_fuzzer(rtf_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/rtf_fuzz.cpp zarovia_rtf)
zarovia_add_fuzzer(textdetect_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/textdetect_fuzz.cpp zarovia_document)
