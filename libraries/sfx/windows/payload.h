// Where the archive appended to a program begins, and the bytes from there on
// as a source of their own, so that nothing inside the program itself can be
// taken for a member.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "core/byte_source.h"

namespace sfx {

// The end of a PE image in its file: past the last section's raw data (the
// headers when there are no sections). Zero when the bytes are no PE image.
uint64_t peImageEnd(const uint8_t* head, size_t n);

// The image end of the PE file at `path` (UTF-8); zero when it is none.
uint64_t imageEndOfFile(const std::string& path);

// The bytes of `whole` from `offset` to its end.
std::unique_ptr<fmt::ByteSource> tailSource(std::unique_ptr<fmt::ByteSource> whole, uint64_t offset);

}  // namespace sfx
