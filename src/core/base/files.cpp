#include "base/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace vilk {

bool WriteFileAtomic(const std::string& path, const void* data, std::size_t size,
                     std::string* error) {
  std::string tmpl = path + ".XXXXXX";
  const int fd = mkstemp(tmpl.data());
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  const auto* p = static_cast<const char*>(data);
  std::size_t left = size;
  bool ok = true;
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  const int savedErrno = errno;
  if (::close(fd) != 0 && ok) ok = false;
  // mkstemp creates the file readable by its owner only; a configuration is a normal file.
  if (ok) ::chmod(tmpl.c_str(), 0644);
  if (ok && std::rename(tmpl.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    if (error) *error = std::strerror(errno ? errno : savedErrno);
    std::remove(tmpl.c_str());
  }
  return ok;
}

ReadResult ReadFileLimited(const std::string& path, std::size_t limit,
                           std::vector<std::uint8_t>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return ReadResult::CannotOpen;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) return ReadResult::ReadError;
  if (static_cast<std::size_t>(size) >= limit) return ReadResult::TooLarge;
  in.seekg(0, std::ios::beg);
  out.resize(static_cast<std::size_t>(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(out.data()), size)) return ReadResult::ReadError;
  return ReadResult::Ok;
}

}  // namespace vilk
