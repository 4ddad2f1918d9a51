#pragma once

namespace zarovia::media {

// The identity of this build of the program, written when the build was configured. The
// program and its engine module must carry the same one: a module of another build is refused.
const char* buildIdentity() noexcept;

}  // namespace zarovia::media
