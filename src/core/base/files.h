#pragma once
// File I/O that never loses the user's work and always says why it failed: writes go to a
// temporary file in the same folder and are renamed over the target only when complete;
// reads take regular files only and never block on a FIFO or a device.
#include <cstdint>
#include <string>
#include <vector>

namespace vilk {

// Writes `size` bytes to `path` atomically. A symbolic link is written through to its
// target; the replaced file keeps its mode (and owner, where permitted). A read-only target
// (no write bit for anyone) or one that is not a regular file is refused. On failure the old
// file is untouched, no temporary file is left, and `error` says why, in Russian.
bool WriteFileAtomic(const std::string& path, const void* data, std::size_t size,
                     std::string* error);

enum class ReadResult {
  Ok,
  CannotOpen,  // any other reason it could not be opened
  TooLarge,
  ReadError,
  NotFound,
  NoPermission,
  IsDirectory,
  NotRegular,  // a FIFO, a device, a socket
};
// Reads the whole file when it is a regular file shorter than `limit` bytes.
ReadResult ReadFileLimited(const std::string& path, std::size_t limit,
                           std::vector<std::uint8_t>& out);
// Why a read failed, as a message naming `path` (TooLarge: "Файл PATH слишком велик.").
std::string DescribeReadFailure(ReadResult result, const std::string& path);
// A system error number as the window says it.
std::string ErrnoText(int error);

}  // namespace vilk
