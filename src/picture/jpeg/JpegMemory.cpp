#include "picture/jpeg/JpegMemory.h"

#include <jerror.h>

namespace zarovia::picture::jpeg {

namespace {

// Bytes of `count` items of `size`, or -1 when that does not fit 63 bits.
std::int64_t bytesOf(std::uint64_t count, std::uint64_t size) {
    if (size != 0 && count > static_cast<std::uint64_t>(INT64_MAX) / size) return -1;
    return static_cast<std::int64_t>(count * size);
}

// An array of `rows` rows of `perRow` items of `size`, with its row pointers.
std::int64_t arrayBytes(JDIMENSION perRow, JDIMENSION rows, std::size_t size) {
    const std::int64_t items = bytesOf(perRow, size);
    if (items < 0) return -1;
    const std::int64_t all = bytesOf(rows, static_cast<std::uint64_t>(items) + sizeof(void*));
    return all;
}

}  // namespace

JpegMemory& JpegMemory::of(j_common_ptr info) {
    return *static_cast<JpegMemory*>(info->client_data);
}

void JpegMemory::install(j_common_ptr info) {
    info->client_data = this;
    jpeg_memory_mgr& mem = *info->mem;
    original_ = mem;
    mem.alloc_small = &JpegMemory::allocSmall;
    mem.alloc_large = &JpegMemory::allocLarge;
    mem.alloc_sarray = &JpegMemory::allocSarray;
    mem.alloc_barray = &JpegMemory::allocBarray;
    mem.request_virt_sarray = &JpegMemory::requestVirtSarray;
    mem.request_virt_barray = &JpegMemory::requestVirtBarray;
    mem.free_pool = &JpegMemory::freePool;
    mem.self_destruct = &JpegMemory::selfDestruct;
}

void JpegMemory::charge(j_common_ptr info, int pool, std::int64_t bytes, int refusal) {
    if (pool < 0 || pool >= JPOOL_NUMPOOLS) ERREXIT1(info, JERR_BAD_POOL_ID, pool);
    if (bytes < 0 || !account_.reserve(bytes)) ERREXIT(info, refusal);
    poolBytes_[pool] += bytes;
}

void JpegMemory::releasePool(int pool) {
    if (pool < 0 || pool >= JPOOL_NUMPOOLS) return;
    account_.release(poolBytes_[pool]);
    poolBytes_[pool] = 0;
}

void* JpegMemory::allocSmall(j_common_ptr info, int pool, std::size_t size) {
    JpegMemory& self = of(info);
    self.charge(info, pool, bytesOf(size, 1));
    return self.original_.alloc_small(info, pool, size);
}

void* JpegMemory::allocLarge(j_common_ptr info, int pool, std::size_t size) {
    JpegMemory& self = of(info);
    self.charge(info, pool, bytesOf(size, 1));
    return self.original_.alloc_large(info, pool, size);
}

JSAMPARRAY JpegMemory::allocSarray(j_common_ptr info, int pool, JDIMENSION samplesPerRow,
                                   JDIMENSION rows) {
    JpegMemory& self = of(info);
    self.charge(info, pool, arrayBytes(samplesPerRow, rows, sizeof(JSAMPLE)));
    return self.original_.alloc_sarray(info, pool, samplesPerRow, rows);
}

JBLOCKARRAY JpegMemory::allocBarray(j_common_ptr info, int pool, JDIMENSION blocksPerRow,
                                    JDIMENSION rows) {
    JpegMemory& self = of(info);
    self.charge(info, pool, arrayBytes(blocksPerRow, rows, sizeof(JBLOCK)));
    return self.original_.alloc_barray(info, pool, blocksPerRow, rows);
}

// A virtual array's buffer is made later, when libjpeg realises its arrays, and whole: without
// a backing store every row stays in memory. It is counted now, before anything of its size,
// and refused with the code libjpeg gives itself for arrays that do not fit its memory.
jvirt_sarray_ptr JpegMemory::requestVirtSarray(j_common_ptr info, int pool, boolean preZero,
                                               JDIMENSION samplesPerRow, JDIMENSION rows,
                                               JDIMENSION maxAccess) {
    JpegMemory& self = of(info);
    self.charge(info, pool, arrayBytes(samplesPerRow, rows, sizeof(JSAMPLE)),
                JERR_NO_BACKING_STORE);
    return self.original_.request_virt_sarray(info, pool, preZero, samplesPerRow, rows, maxAccess);
}

jvirt_barray_ptr JpegMemory::requestVirtBarray(j_common_ptr info, int pool, boolean preZero,
                                               JDIMENSION blocksPerRow, JDIMENSION rows,
                                               JDIMENSION maxAccess) {
    JpegMemory& self = of(info);
    self.charge(info, pool, arrayBytes(blocksPerRow, rows, sizeof(JBLOCK)), JERR_NO_BACKING_STORE);
    return self.original_.request_virt_barray(info, pool, preZero, blocksPerRow, rows, maxAccess);
}

void JpegMemory::freePool(j_common_ptr info, int pool) {
    JpegMemory& self = of(info);
    self.original_.free_pool(info, pool);
    self.releasePool(pool);
}

void JpegMemory::selfDestruct(j_common_ptr info) {
    JpegMemory& self = of(info);
    self.original_.self_destruct(info);
    for (int pool = 0; pool < JPOOL_NUMPOOLS; ++pool) self.releasePool(pool);
}

}  // namespace zarovia::picture::jpeg
