#include "compiler/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sc {
namespace {

[[noreturn]] void fail(const std::filesystem::path& file, const char* what) {
  int e = errno;
  throw FileError(file, std::string(what) + ": " + std::strerror(e));
}

void closeOrFail(int fd, const std::filesystem::path& file) {
  if (::close(fd) != 0) fail(file, "cannot close");
}

}  // namespace

bool fileExists(const std::filesystem::path& file) {
  struct stat st;
  return ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void deleteFile(const std::filesystem::path& file) {
  if (::unlink(file.c_str()) != 0) fail(file, "cannot delete");
}

void replaceFile(const std::filesystem::path& file, std::string_view bytes) {
  int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) fail(file, "cannot open");
  closeOrFail(fd, file);
  deleteFile(file);
  fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) fail(file, "cannot create");
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      int e = errno;
      ::close(fd);
      errno = e;
      fail(file, "cannot write");
    }
    done += static_cast<size_t>(n);
  }
  closeOrFail(fd, file);
}

std::string readFile(const std::filesystem::path& file) {
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail(file, "cannot open");
  std::string out;
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int e = errno;
      ::close(fd);
      errno = e;
      fail(file, "cannot read");
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  closeOrFail(fd, file);
  return out;
}

}  // namespace sc
