#pragma once
// Whole-file reading and writing for the handlers. Paths are native bytes, relative ones taken
// against the current directory. Neither shows anything: callers report the outcome.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "forms/types.h"

namespace tavrel::forms {

// Files of this size or more are not read: sizes are counted in a signed 32-bit field.
inline constexpr std::int64_t kMaxReadableFileBytes = std::int64_t{1} << 31;

// The whole contents of an existing regular file; empty for an empty path, a missing, empty,
// unreadable or too large file, or when memory is short. A file that shrinks while it is read
// gives what arrived.
Bytes readFile(const std::string& path);

// Replaces (or creates) the file with the buffers' bytes in order; an empty buffer writes
// nothing, so no buffers at all give an empty file. The bytes go to a new file in the same
// folder that is flushed to disk and then renamed over the target, so a failure at any point
// leaves an existing file as it was. An existing target keeps its permissions. False for an
// empty path, a target that is not a regular file or not writable, a missing folder, or any
// failed write.
bool writeFile(const std::string& path, std::initializer_list<std::span<const std::uint8_t>> buffers);

}  // namespace tavrel::forms
