// The all-or-nothing delivery of files, the interrupt registry and the fault seam, the same on
// every system; the primitive steps they use are in file_io_posix.cpp and file_io_win32.cpp.
#include "compiler/file_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

#include "compiler/file_io_native.h"

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

bool proceed() {
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
  throw FileError(file, what + ": " + native::reason(e));
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
  native::removeFile(p);
}

bool writeAll(native::File f, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    if (!io_fault::proceed()) return false;
    size_t n = 0;
    if (!native::writeSome(f, bytes.data() + done, bytes.size() - done, n)) {
      if (errno == EINTR) continue;
      return false;
    }
    done += n;
  }
  return true;
}

bool syncFile(native::File f) {
  return io_fault::proceed() && native::syncFile(f);
}

// A name beside the destination that no one else uses: ".NAME.KIND-PID-N".
fs::path siblingName(const fs::path& destination, const char* kind) {
  static std::atomic<uint64_t> counter{0};
  auto now = std::chrono::system_clock::now().time_since_epoch();
  uint64_t nanos = static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() % 1000000000);
  uint64_t n = (nanos << 8) ^ counter++;
  fs::path name = ".";
  name += destination.filename().native();  // the name's own characters, whatever they are
  name += std::string(".") + kind + "-" + std::to_string(native::processId()) + "-" +
          std::to_string(n % 1000000007u);
  return destination.parent_path() / name;
}

// Creates a new file beside the destination, exclusively (never through a link), and
// registers it for removal on an interrupt.
native::File createSibling(const fs::path& destination, const char* kind, fs::path& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = siblingName(destination, kind);
    std::lock_guard<std::recursive_mutex> hold(registry().lock);
    native::File f;
    if (native::createExclusive(name, f)) {
      registry().files.push_back(name);
      return f;
    }
    if (errno != EEXIST) fail(destination, "cannot create a temporary file beside it");
  }
  fail(destination, "cannot create a temporary file beside it", EEXIST);
}

void syncFolder(const fs::path& folder) {
  fs::path dir = folder.empty() ? fs::path(".") : folder;
  if (!native::syncFolder(dir)) fail(dir, "cannot sync the folder");
}

// Keeps the file now at the destination under a second name, so that a failed commit can put
// it back. Returns false when there is nothing to keep (no file, or a folder that no rename
// will replace).
bool keepEarlier(const fs::path& destination, fs::path& backup) {
  native::Info info;
  if (!native::look(destination, false, info)) {
    fail(destination, "cannot look at the file it replaces");
  }
  if (info.type != native::Type::Regular && info.type != native::Type::Link) return false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    backup = siblingName(destination, "old");
    std::lock_guard<std::recursive_mutex> hold(registry().lock);
    if (native::hardLink(destination, backup)) {
      registry().files.push_back(backup);
      return true;
    }
    if (errno == EEXIST) continue;
    break;
  }
  // No hard links here (or none to this file): keep a copy instead.
  if (info.type == native::Type::Link) {
    backup = siblingName(destination, "old");
    std::lock_guard<std::recursive_mutex> hold(registry().lock);
    if (!native::copyLink(destination, backup)) {
      fail(destination, "cannot keep the link it replaces");
    }
    registry().files.push_back(backup);
    return true;
  }
  std::string bytes = readFile(destination, SIZE_MAX);
  native::File f = createSibling(destination, "old", backup);
  bool ok = writeAll(f, bytes);
  int e = errno;
  native::closeFile(f);
  if (!ok) fail(destination, "cannot keep a copy of the file it replaces", e);
  return true;
}

const char* kindOf(native::Type type) {
  switch (type) {
    case native::Type::Folder:
      return "a folder";
    case native::Type::Fifo:
      return "a FIFO";
    case native::Type::Device:
      return "a device";
    case native::Type::Socket:
      return "a socket";
    default:
      return "not a regular file";
  }
}

[[noreturn]] void notRegular(const fs::path& file, native::Type type) {
  throw FileError(file, std::string("cannot read: it is ") + kindOf(type) + ", not a regular file");
}

}  // namespace

bool fileExists(const fs::path& file) {
  native::Info info;
  return native::look(file, true, info) && info.type == native::Type::Regular;
}

void deleteFile(const fs::path& file) {
  if (!native::removeFile(file)) fail(file, "cannot delete");
}

uint64_t regularFileSize(const fs::path& file) {
  native::Info info;
  if (!native::look(file, true, info)) fail(file, "cannot open");
  if (info.type == native::Type::Missing) fail(file, "cannot open", ENOENT);
  if (info.type != native::Type::Regular) notRegular(file, info.type);
  return info.size;
}

std::string readFile(const fs::path& file, size_t maxBytes) {
  native::File f;
  if (!native::openForReading(file, f)) {
    fail(file, errno == ENOENT ? "cannot open: no such file" : "cannot open");
  }
  native::Info info;
  if (!native::infoOf(f, info)) {
    int e = errno;
    native::closeFile(f);
    fail(file, "cannot read", e);
  }
  if (info.type != native::Type::Regular) {
    native::closeFile(f);
    notRegular(file, info.type);
  }
  auto tooLong = [&](uint64_t size) {
    native::closeFile(f);
    throw FileError(file, "cannot read: it is " + std::to_string(size) +
                              " bytes long, more than the " + std::to_string(maxBytes) +
                              " bytes such a file can have");
  };
  if (info.size > maxBytes) tooLong(info.size);
  std::string out;
  out.reserve(static_cast<size_t>(info.size));
  char buf[1 << 16];
  for (;;) {
    size_t n = 0;
    if (!native::readSome(f, buf, sizeof buf, n)) {
      if (errno == EINTR) continue;
      int e = errno;
      native::closeFile(f);
      fail(file, "cannot read", e);
    }
    if (n == 0) break;
    if (out.size() + n > maxBytes) tooLong(out.size() + n);
    out.append(buf, n);
  }
  if (!native::closeFile(f)) fail(file, "cannot close");
  return out;
}

bool sameFile(const fs::path& a, const fs::path& b) {
  return native::sameFile(a, b);
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
  native::File f = createSibling(file, "tmp", s.temporary);
  staged_.push_back(s);
  bool ok = writeAll(f, bytes);
  if (!ok) {
    int e = errno;
    native::closeFile(f);
    fail(file, "cannot write", e);
  }
  ok = syncFile(f);
  int e = errno;
  if (!native::closeFile(f) && ok) {
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
  std::vector<fs::path> temporaries;
  for (const Staged& s : staged_) temporaries.push_back(s.temporary);
  native::touchTogether(temporaries);

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
    if (io_fault::proceed() && native::renameReplace(s.temporary, s.destination)) {
      forget(registry().files, s.temporary);
      continue;
    }
    int e = errno;
    // Put back what the renames before this one replaced, newest first.
    std::string undo;
    for (size_t j = i; j-- > 0;) {
      const fs::path& dest = staged_[j].destination;
      bool ok = backups[j].kept
                    ? io_fault::proceed() && native::renameReplace(backups[j].name, dest)
                    : native::removeFile(dest);
      if (ok) {
        if (backups[j].kept) forget(registry().files, backups[j].name);
        backups[j].kept = false;
      } else {
        undo += "; " + dest.string() + " could not be put back: " + native::reason(errno);
      }
    }
    dropBackups();
    dropTemporaries(i);
    committed_ = true;
    throw FileError(s.destination, "cannot replace: " + native::reason(e) + undo);
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

namespace {
// On Windows a file deleted while a read or write of the build's thread is still in progress on
// it stays in the folder until that call returns, and its folder cannot go before it does: the
// folder is tried again for a short while. Elsewhere the first try removes it.
void removeFolderPatiently(const fs::path& folder) {
  constexpr int kTries = 50;
  constexpr auto kPause = std::chrono::milliseconds(20);
  for (int i = 0; i < kTries; ++i) {
    std::error_code ec;
    fs::remove_all(folder, ec);
    if (!fs::exists(folder, ec) && !ec) return;
    std::this_thread::sleep_for(kPause);
  }
}
}  // namespace

namespace cleanup {
fs::path createFolder(const fs::path& parent, const std::string& prefix) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::atomic<uint64_t> counter{0};
  std::lock_guard<std::recursive_mutex> hold(registry().lock);
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    uint64_t n = static_cast<uint64_t>(now) * 6364136223846793005u + (native::processId() << 20) +
                 counter++ * 1442695040888963407u;
    std::string name = prefix;
    for (int i = 0; i < 6; ++i, n /= 62) name += kLetters[n % 62];
    fs::path folder = parent / name;
    if (native::makePrivateFolder(folder)) {
      registry().folders.push_back(folder);
      return folder;
    }
    if (errno != EEXIST) break;
  }
  fail(parent, "cannot create a working folder");
}

void removeFolder(const fs::path& folder) {
  std::lock_guard<std::recursive_mutex> hold(registry().lock);
  std::error_code ec;
  fs::remove_all(folder, ec);
  forget(registry().folders, folder);
}

void removeAllAndHold() {
  registry().lock.lock();
  native::letGoOpenFiles();
  for (const fs::path& f : registry().files) removeQuietly(f);
  for (const fs::path& d : registry().folders) removeFolderPatiently(d);
}
}  // namespace cleanup

}  // namespace sc
