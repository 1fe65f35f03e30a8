// The file system's primitive steps on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "compiler/file_io_native.h"

namespace sc::native {
namespace fs = std::filesystem;

namespace {
int fd(File f) {
  return static_cast<int>(f);
}

Type typeOf(mode_t mode) {
  if (S_ISREG(mode)) return Type::Regular;
  if (S_ISLNK(mode)) return Type::Link;
  if (S_ISDIR(mode)) return Type::Folder;
  if (S_ISFIFO(mode)) return Type::Fifo;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return Type::Device;
  if (S_ISSOCK(mode)) return Type::Socket;
  return Type::Other;
}

void fill(const struct stat& st, Info& info) {
  info.type = typeOf(st.st_mode);
  info.size = static_cast<uint64_t>(st.st_size);
}
}  // namespace

bool createExclusive(const fs::path& name, File& file) {
  int d = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  file = d;
  return d >= 0;
}

bool writeSome(File file, const char* data, size_t size, size_t& written) {
  ssize_t n = ::write(fd(file), data, size);
  if (n < 0) return false;
  written = static_cast<size_t>(n);
  return true;
}

bool syncFile(File file) {
  return ::fsync(fd(file)) == 0;
}

bool closeFile(File file) {
  return ::close(fd(file)) == 0;
}

void letGoOpenFiles() {}  // an open file's name goes like any other here

bool openForReading(const fs::path& name, File& file) {
  // Without blocking, so that a FIFO without a writer cannot hold the program.
  int d = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  file = d;
  return d >= 0;
}

bool infoOf(File file, Info& info) {
  struct stat st;
  if (::fstat(fd(file), &st) != 0) return false;
  fill(st, info);
  return true;
}

bool readSome(File file, char* buffer, size_t size, size_t& got) {
  ssize_t n = ::read(fd(file), buffer, size);
  if (n < 0) return false;
  got = static_cast<size_t>(n);
  return true;
}

bool look(const fs::path& name, bool followLinks, Info& info) {
  struct stat st;
  int r = followLinks ? ::stat(name.c_str(), &st) : ::lstat(name.c_str(), &st);
  if (r != 0) {
    if (errno != ENOENT) return false;
    info = Info{};
    return true;
  }
  fill(st, info);
  return true;
}

bool sameFile(const fs::path& a, const fs::path& b) {
  struct stat sa, sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

bool removeFile(const fs::path& name) {
  return ::unlink(name.c_str()) == 0;
}

bool renameReplace(const fs::path& from, const fs::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool hardLink(const fs::path& existing, const fs::path& name) {
  return ::link(existing.c_str(), name.c_str()) == 0;
}

bool copyLink(const fs::path& link, const fs::path& name) {
  struct stat st;
  if (::lstat(link.c_str(), &st) != 0) return false;
  std::string target(static_cast<size_t>(st.st_size) + 1, '\0');
  ssize_t n = ::readlink(link.c_str(), target.data(), target.size());
  if (n < 0) return false;
  target.resize(static_cast<size_t>(n));
  return ::symlink(target.c_str(), name.c_str()) == 0;
}

bool syncFolder(const fs::path& folder) {
  int d = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (d < 0) return false;
  bool ok = io_fault::proceed() && ::fsync(d) == 0;
  int e = errno;
  ::close(d);
  errno = e;
  return ok;
}

bool makePrivateFolder(const fs::path& name) {
  return ::mkdir(name.c_str(), 0700) == 0;
}

void touchTogether(const std::vector<fs::path>& files) {
  struct timespec now[2];
  ::clock_gettime(CLOCK_REALTIME, &now[0]);
  now[1] = now[0];
  for (const fs::path& f : files) ::utimensat(AT_FDCWD, f.c_str(), now, 0);
}

uint64_t processId() {
  return static_cast<uint64_t>(::getpid());
}

std::string reason(int error) {
  return std::strerror(error);
}

}  // namespace sc::native
