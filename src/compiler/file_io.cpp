#include "compiler/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

namespace sc {
namespace fs = std::filesystem;

namespace io_fault {
namespace {
std::atomic<int64_t> planned{0};
std::atomic<int64_t> taken{0};
}  // namespace

void failStep(int64_t n) {
  planned = n;
  taken = 0;
}
int64_t stepsTaken() {
  return taken;
}

// Counts one step; false when this is the step planned to fail (errno is then EIO).
static bool proceed() {
  int64_t n = ++taken;
  if (planned != 0 && n == planned) {
    errno = EIO;
    return false;
  }
  return true;
}
}  // namespace io_fault

namespace {

[[noreturn]] void fail(const fs::path& file, const std::string& what, int e) {
  throw FileError(file, what + ": " + std::strerror(e));
}
[[noreturn]] void fail(const fs::path& file, const std::string& what) {
  fail(file, what, errno);
}

// The registry of what an interrupt must remove, and the lock that keeps an interrupt out of
// a commit.
struct Registry {
  std::recursive_mutex lock;
  std::vector<fs::path> files;
  std::vector<fs::path> folders;
};
Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: the interrupt thread may outlive main
  return *r;
}

void forget(std::vector<fs::path>& list, const fs::path& p) {
  list.erase(std::remove(list.begin(), list.end(), p), list.end());
}

void removeQuietly(const fs::path& p) {
  ::unlink(p.c_str());
}

bool writeAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    if (!io_fault::proceed()) return false;
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool syncFd(int fd) {
  return io_fault::proceed() && ::fsync(fd) == 0;
}

// A name beside the destination that no one else uses: ".NAME.KIND-PID-N".
fs::path siblingName(const fs::path& destination, const char* kind) {
  static std::atomic<uint64_t> counter{0};
  struct timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  uint64_t n = (static_cast<uint64_t>(now.tv_nsec) << 8) ^ counter++;
  std::string name = ".";
  name += destination.filename().string();
  name += std::string(".") + kind + "-" + std::to_string(::getpid()) + "-" +
          std::to_string(n % 1000000007u);
  return destination.parent_path() / name;
}

// Creates a new file beside the destination, exclusively (never through a link), and
// registers it for removal on an interrupt. Returns its descriptor.
int createSibling(const fs::path& destination, const char* kind, fs::path& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = siblingName(destination, kind);
    std::lock_guard<std::recursive_mutex> hold(registry().lock);
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) {
      registry().files.push_back(name);
      return fd;
    }
    if (errno != EEXIST) fail(destination, "cannot create a temporary file beside it");
  }
  fail(destination, "cannot create a temporary file beside it", EEXIST);
}

void syncFolder(const fs::path& folder) {
  fs::path dir = folder.empty() ? fs::path(".") : folder;
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) fail(dir, "cannot open the folder to sync it");
  bool ok = syncFd(fd);
  int e = errno;
  ::close(fd);
  if (!ok) fail(dir, "cannot sync the folder", e);
}

// Keeps the file now at the destination under a second name, so that a failed commit can put
// it back. Returns false when there is nothing to keep (no file, or a folder that no rename
// will replace).
bool keepEarlier(const fs::path& destination, fs::path& backup) {
  struct stat st;
  if (::lstat(destination.c_str(), &st) != 0) {
    if (errno == ENOENT) return false;
    fail(destination, "cannot look at the file it replaces");
  }
  if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) return false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    backup = siblingName(destination, "old");
    std::lock_guard<std::recursive_mutex> hold(registry().lock);
    if (::link(destination.c_str(), backup.c_str()) == 0) {
      registry().files.push_back(backup);
      return true;
    }
    if (errno == EEXIST) continue;
    break;
  }
  // No hard links here (or none to this file): keep a copy instead.
  if (S_ISLNK(st.st_mode)) {
    std::string target(static_cast<size_t>(st.st_size) + 1, '\0');
    ssize_t n = ::readlink(destination.c_str(), target.data(), target.size());
    if (n < 0) fail(destination, "cannot keep the link it replaces");
    target.resize(static_cast<size_t>(n));
    backup = siblingName(destination, "old");
    std::lock_guard<std::recursive_mutex> hold(registry().lock);
    if (::symlink(target.c_str(), backup.c_str()) != 0) {
      fail(destination, "cannot keep the link it replaces");
    }
    registry().files.push_back(backup);
    return true;
  }
  std::string bytes = readFile(destination, SIZE_MAX);
  int fd = createSibling(destination, "old", backup);
  bool ok = writeAll(fd, bytes);
  int e = errno;
  ::close(fd);
  if (!ok) fail(destination, "cannot keep a copy of the file it replaces", e);
  return true;
}

}  // namespace

bool fileExists(const fs::path& file) {
  struct stat st;
  return ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void deleteFile(const fs::path& file) {
  if (::unlink(file.c_str()) != 0) fail(file, "cannot delete");
}

static const char* kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

uint64_t regularFileSize(const fs::path& file) {
  struct stat st;
  if (::stat(file.c_str(), &st) != 0) fail(file, "cannot open");
  if (!S_ISREG(st.st_mode)) {
    throw FileError(
        file, std::string("cannot read: it is ") + kindOf(st.st_mode) + ", not a regular file");
  }
  return static_cast<uint64_t>(st.st_size);
}

std::string readFile(const fs::path& file, size_t maxBytes) {
  // Opened without blocking, so that a FIFO without a writer cannot hold the program.
  int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) fail(file, errno == ENOENT ? "cannot open: no such file" : "cannot open");
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    int e = errno;
    ::close(fd);
    fail(file, "cannot read", e);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    throw FileError(
        file, std::string("cannot read: it is ") + kindOf(st.st_mode) + ", not a regular file");
  }
  auto tooLong = [&](uint64_t size) {
    ::close(fd);
    throw FileError(file, "cannot read: it is " + std::to_string(size) +
                              " bytes long, more than the " + std::to_string(maxBytes) +
                              " bytes such a file can have");
  };
  if (static_cast<uint64_t>(st.st_size) > maxBytes) tooLong(static_cast<uint64_t>(st.st_size));
  std::string out;
  out.reserve(static_cast<size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int e = errno;
      ::close(fd);
      fail(file, "cannot read", e);
    }
    if (n == 0) break;
    if (out.size() + static_cast<size_t>(n) > maxBytes) tooLong(out.size() + n);
    out.append(buf, static_cast<size_t>(n));
  }
  if (::close(fd) != 0) fail(file, "cannot close");
  return out;
}

bool sameFile(const fs::path& a, const fs::path& b) {
  struct stat sa, sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

FileSet::~FileSet() {
  if (committed_) return;
  std::lock_guard<std::recursive_mutex> hold(registry().lock);
  for (const Staged& s : staged_) {
    removeQuietly(s.temporary);
    forget(registry().files, s.temporary);
  }
}

void FileSet::stage(const fs::path& file, std::string_view bytes) {
  Staged s{file, {}};
  int fd = createSibling(file, "tmp", s.temporary);
  staged_.push_back(s);
  bool ok = writeAll(fd, bytes);
  if (!ok) {
    int e = errno;
    ::close(fd);
    fail(file, "cannot write", e);
  }
  ok = syncFd(fd);
  int e = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    e = errno;
  }
  if (!ok) fail(file, "cannot write", e);
}

std::vector<fs::path> FileSet::destinations() const {
  std::vector<fs::path> out;
  for (const Staged& s : staged_) out.push_back(s.destination);
  return out;
}

void FileSet::commit() {
  std::lock_guard<std::recursive_mutex> hold(registry().lock);
  // One modification time for the whole set: a file of the same scenario older than its
  // companions then comes from an earlier build.
  struct timespec now[2];
  ::clock_gettime(CLOCK_REALTIME, &now[0]);
  now[1] = now[0];
  for (const Staged& s : staged_) ::utimensat(AT_FDCWD, s.temporary.c_str(), now, 0);

  struct Backup {
    bool kept = false;
    fs::path name;
  };
  std::vector<Backup> backups(staged_.size());
  auto dropBackups = [&] {
    for (const Backup& b : backups) {
      if (!b.kept) continue;
      removeQuietly(b.name);
      forget(registry().files, b.name);
    }
  };
  auto dropTemporaries = [&](size_t from) {
    for (size_t i = from; i < staged_.size(); ++i) {
      removeQuietly(staged_[i].temporary);
      forget(registry().files, staged_[i].temporary);
    }
  };
  // With more than one file, each name's earlier file is kept until every rename is done.
  if (staged_.size() > 1) {
    try {
      for (size_t i = 0; i < staged_.size(); ++i) {
        backups[i].kept = keepEarlier(staged_[i].destination, backups[i].name);
      }
    } catch (const FileError&) {
      dropBackups();
      dropTemporaries(0);
      committed_ = true;
      throw;
    }
  }

  for (size_t i = 0; i < staged_.size(); ++i) {
    const Staged& s = staged_[i];
    if (io_fault::proceed() && ::rename(s.temporary.c_str(), s.destination.c_str()) == 0) {
      forget(registry().files, s.temporary);
      continue;
    }
    int e = errno;
    // Put back what the renames before this one replaced, newest first.
    std::string undo;
    for (size_t j = i; j-- > 0;) {
      const fs::path& dest = staged_[j].destination;
      bool ok = backups[j].kept
                    ? io_fault::proceed() && ::rename(backups[j].name.c_str(), dest.c_str()) == 0
                    : ::unlink(dest.c_str()) == 0;
      if (ok) {
        if (backups[j].kept) forget(registry().files, backups[j].name);
        backups[j].kept = false;
      } else {
        undo += "; " + dest.string() + " could not be put back: " + std::strerror(errno);
      }
    }
    dropBackups();
    dropTemporaries(i);
    committed_ = true;
    throw FileError(s.destination, std::string("cannot replace: ") + std::strerror(e) + undo);
  }
  committed_ = true;
  dropBackups();
  std::vector<fs::path> folders;
  for (const Staged& s : staged_) {
    if (std::find(folders.begin(), folders.end(), s.destination.parent_path()) == folders.end())
      folders.push_back(s.destination.parent_path());
  }
  for (const fs::path& f : folders) syncFolder(f);
}

void replaceFile(const fs::path& file, std::string_view bytes) {
  FileSet set;
  set.stage(file, bytes);
  set.commit();
}

namespace cleanup {
fs::path createFolder(const fs::path& parent, const std::string& prefix) {
  std::string templ = (parent / (prefix + "XXXXXX")).string();
  std::lock_guard<std::recursive_mutex> hold(registry().lock);
  if (::mkdtemp(templ.data()) == nullptr) fail(parent, "cannot create a working folder");
  registry().folders.push_back(templ);
  return templ;
}

void removeFolder(const fs::path& folder) {
  std::lock_guard<std::recursive_mutex> hold(registry().lock);
  std::error_code ec;
  fs::remove_all(folder, ec);
  forget(registry().folders, folder);
}

void removeAllAndHold() {
  registry().lock.lock();
  for (const fs::path& f : registry().files) removeQuietly(f);
  std::error_code ec;
  for (const fs::path& d : registry().folders) fs::remove_all(d, ec);
}
}  // namespace cleanup

}  // namespace sc
