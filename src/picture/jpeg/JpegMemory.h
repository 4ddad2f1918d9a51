#pragma once

#include "picture/MemoryBudget.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

#include <jerror.h>

namespace zarovia::picture::jpeg {

// Every allocation libjpeg asks its memory manager for, counted against a budget account before
// it is made: the small and large objects, the sample and block arrays, and the coefficient
// buffer of a multi-scan picture (its largest by far), counted in full when it is requested.
// A request that does not fit ends the step with libjpeg's out-of-memory error. The account is
// given back pool by pool as libjpeg frees them.
class JpegMemory {
public:
    explicit JpegMemory(std::int64_t budgetBytes) : account_(budgetBytes) {}
    JpegMemory(const JpegMemory&) = delete;
    JpegMemory& operator=(const JpegMemory&) = delete;

    // Puts the counting methods in front of `info`'s memory manager, which must have been
    // created; `info->client_data` is set to this object.
    void install(j_common_ptr info);

    std::int64_t peakBytes() const { return account_.peak(); }
    std::int64_t usedBytes() const { return account_.used(); }

private:
    // Ends the step with libjpeg's error `refusal` when `bytes` (-1: too large to count) does
    // not fit.
    void charge(j_common_ptr info, int pool, std::int64_t bytes, int refusal = JERR_OUT_OF_MEMORY);
    void releasePool(int pool);

    static void* allocSmall(j_common_ptr info, int pool, std::size_t size);
    static void* allocLarge(j_common_ptr info, int pool, std::size_t size);
    static JSAMPARRAY allocSarray(j_common_ptr info, int pool, JDIMENSION samplesPerRow,
                                  JDIMENSION rows);
    static JBLOCKARRAY allocBarray(j_common_ptr info, int pool, JDIMENSION blocksPerRow,
                                   JDIMENSION rows);
    static jvirt_sarray_ptr requestVirtSarray(j_common_ptr info, int pool, boolean preZero,
                                              JDIMENSION samplesPerRow, JDIMENSION rows,
                                              JDIMENSION maxAccess);
    static jvirt_barray_ptr requestVirtBarray(j_common_ptr info, int pool, boolean preZero,
                                              JDIMENSION blocksPerRow, JDIMENSION rows,
                                              JDIMENSION maxAccess);
    static void freePool(j_common_ptr info, int pool);
    static void selfDestruct(j_common_ptr info);

    static JpegMemory& of(j_common_ptr info);

    BudgetAccount account_;
    jpeg_memory_mgr original_{};
    std::int64_t poolBytes_[JPOOL_NUMPOOLS] = {};
};

}  // namespace zarovia::picture::jpeg
