# The WMF and EMF players. Seeds: fuzz/corpus/wmf and fuzz/corpus/emf.
zarovia_add_fuzzer(wmf_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/wmf_fuzz.cpp zarovia_metafile)
zarovia_add_fuzzer(emf_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/emf_fuzz.cpp zarovia_metafile)
