#pragma once

#include <QByteArray>
#include <cstddef>
#include <vector>

// An ICC profile stored in a JPEG: APP2 segments that start with "ICC_PROFILE\0", a sequence
// number (from 1) and the number of chunks, then a piece of the profile.
namespace zarovia::picture::colour {

// One APP2 segment's payload (after the marker and its length), as the file holds it.
struct App2Segment {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
};

// The profile the ICC segments among `segments` carry, their pieces joined in sequence order.
// Segments that are not ICC chunks are passed over. Empty when there is no chunk, or when the
// chunks do not make one profile: a sequence number of 0 or above the count, counts that
// differ, a number missing or given twice, or a total above kMaxIccProfileBytes.
QByteArray reassembleIccProfile(const std::vector<App2Segment>& segments);

}  // namespace zarovia::picture::colour
