#pragma once
// File I/O that never loses the user's work: writes go to a temporary file in the same
// folder and are renamed over the target only when complete.
#include <cstdint>
#include <string>
#include <vector>

namespace vilk {

// Writes `size` bytes to `path` atomically. On failure the old file is untouched, no
// temporary file is left, and `error` says what went wrong.
bool WriteFileAtomic(const std::string& path, const void* data, std::size_t size,
                     std::string* error);

enum class ReadResult { Ok, CannotOpen, TooLarge, ReadError };
// Reads the whole file when it is shorter than `limit` bytes.
ReadResult ReadFileLimited(const std::string& path, std::size_t limit,
                           std::vector<std::uint8_t>& out);

}  // namespace vilk
