# The WMF and EMF players. Seeds: fuzz/corpus/wmf and fuzz/corpus/emf; the EMF+ records alone,
# wrapped into an EMF+ only file by the target: fuzz/corpus/emfplus.
zarovia_add_fuzzer(wmf_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/wmf_fuzz.cpp zarovia_metafile)
zarovia_add_fuzzer(emf_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/emf_fuzz.cpp zarovia_metafile)
zarovia_add_fuzzer(emfplus_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/emfplus_fuzz.cpp zarovia_metafile)
