#include "base/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace vilk {

namespace {

// Follows symbolic links to the file they name (a dangling link names the file to create).
std::string ResolveLinks(const std::string& path) {
  namespace fs = std::filesystem;
  fs::path p(path);
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(p, ec))) break;
    const fs::path target = fs::read_symlink(p, ec);
    if (ec) break;
    p = target.is_absolute() ? target : p.parent_path() / target;
  }
  return p.string();
}

}  // namespace

std::string ErrnoText(int error) {
  switch (error) {
    case ENOENT:
      return "папка не найдена";
    case EACCES:
    case EPERM:
      return "нет доступа";
    case ENOSPC:
    case EDQUOT:
      return "нет места на диске";
    case EROFS:
      return "диск только для чтения";
    case EFBIG:
      return "файл слишком велик";
    case EISDIR:
      return "это папка";
    case ENOTDIR:
      return "в пути есть файл вместо папки";
    case EIO:
      return "ошибка ввода-вывода";
    default:
      return std::strerror(error);
  }
}

bool WriteFileAtomic(const std::string& requested, const void* data, std::size_t size,
                     std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  const std::string path = ResolveLinks(requested);
  struct stat old {};
  const bool exists = ::stat(path.c_str(), &old) == 0;
  if (exists) {
    if (S_ISDIR(old.st_mode)) return fail("это папка");
    if (!S_ISREG(old.st_mode)) return fail("это не обычный файл");
    // Read-only means read-only, for root too: nobody meant this file to change.
    if ((old.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)
      return fail("файл доступен только для чтения");
  }

  std::string tmpl = path + ".XXXXXX";
  const int fd = mkstemp(tmpl.data());
  if (fd < 0) return fail(ErrnoText(errno));
  const auto* p = static_cast<const char*>(data);
  std::size_t left = size;
  int err = 0;
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  // The replaced file keeps its mode and owner; a new one is a normal readable file.
  if (!err && ::fchmod(fd, exists ? (old.st_mode & 07777) : 0644) != 0) err = errno;
  if (!err && exists && (old.st_uid != ::geteuid() || old.st_gid != ::getegid()))
    (void)!::fchown(fd, old.st_uid, old.st_gid);  // permitted for root only; the mode stays
  if (!err && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && !err) err = errno;
  if (!err && std::rename(tmpl.c_str(), path.c_str()) != 0) err = errno;
  if (err) {
    std::remove(tmpl.c_str());
    return fail(ErrnoText(err));
  }
  return true;
}

ReadResult ReadFileLimited(const std::string& path, std::size_t limit,
                           std::vector<std::uint8_t>& out) {
  // Non-blocking, so that a FIFO cannot hold the program; only regular files are read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    switch (errno) {
      case ENOENT:
      case ENOTDIR:
        return ReadResult::NotFound;
      case EACCES:
      case EPERM:
        return ReadResult::NoPermission;
      case EISDIR:
        return ReadResult::IsDirectory;
      default:
        return ReadResult::CannotOpen;
    }
  }
  struct CloseFd {
    int fd;
    ~CloseFd() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return ReadResult::ReadError;
  if (S_ISDIR(st.st_mode)) return ReadResult::IsDirectory;
  if (!S_ISREG(st.st_mode)) return ReadResult::NotRegular;
  if (static_cast<std::uint64_t>(st.st_size) >= limit) return ReadResult::TooLarge;
  out.resize(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  while (got < out.size()) {
    const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return ReadResult::ReadError;
    }
    if (n == 0) break;  // the file shrank meanwhile: what is there is what was read
    got += static_cast<std::size_t>(n);
  }
  out.resize(got);
  return ReadResult::Ok;
}

std::string DescribeReadFailure(ReadResult result, const std::string& path) {
  switch (result) {
    case ReadResult::Ok:
      return {};
    case ReadResult::NotFound:
      return "Файл " + path + " не найден.";
    case ReadResult::NoPermission:
      return "Нет доступа к файлу " + path + ".";
    case ReadResult::IsDirectory:
      return path + " - это папка, а не файл.";
    case ReadResult::NotRegular:
      return path + " - это не обычный файл.";
    case ReadResult::TooLarge:
      return "Файл " + path + " слишком велик.";
    case ReadResult::ReadError:
      return "Ошибка чтения файла " + path + ".";
    case ReadResult::CannotOpen:
      break;
  }
  return "Не удалось открыть файл " + path + ".";
}

}  // namespace vilk
