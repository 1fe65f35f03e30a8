// The file system's primitive steps on Windows: wide-character names throughout, so that any
// folder name works; the system's errors mapped onto errno values for the shared code.
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "compiler/file_io_native.h"

namespace sc::native {
namespace fs = std::filesystem;

namespace {

HANDLE handle(File f) {
  return reinterpret_cast<HANDLE>(f);
}

int errnoOf(DWORD e) {
  switch (e) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_CURRENT_DIRECTORY:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
      return EINVAL;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
      return ENOSYS;
    case ERROR_TOO_MANY_LINKS:
      return EMLINK;
    default:
      return EIO;
  }
}

// Leaves the system's last error in errno; false, for the callers' returns.
bool failed() {
  errno = errnoOf(GetLastError());
  return false;
}

// FILE_DISPOSITION_INFO_EX of Windows 10 (1607) and later, which the headers show only to
// programs that require that version; older systems refuse the class and the caller falls back.
constexpr auto kDispositionEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
struct DispositionEx {
  DWORD flags;
};
constexpr DWORD kDeleteAtOnce = 0x1 | 0x2;  // FILE_DISPOSITION_FLAG_DELETE | _POSIX_SEMANTICS

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

Info infoFrom(const BY_HANDLE_FILE_INFORMATION& fi) {
  Info info;
  if (fi.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    info.type = Type::Link;
  } else if (fi.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    info.type = Type::Folder;
  } else {
    info.type = Type::Regular;
  }
  info.size = (static_cast<uint64_t>(fi.nFileSizeHigh) << 32) | fi.nFileSizeLow;
  return info;
}

// Opens the name for looking only (folders too), following links or not.
HANDLE openToLook(const fs::path& name, bool followLinks) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  return CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, flags,
                     nullptr);
}

// Every file the program has open. A Windows file's name cannot always go while it is open
// (its folder then cannot go either), so an interrupt lets them go before it removes them.
std::mutex openLock;
std::vector<HANDLE>& openFiles() {
  static auto* files = new std::vector<HANDLE>;  // never destroyed: the handler may run late
  return *files;
}

File opened(HANDLE h) {
  std::lock_guard<std::mutex> hold(openLock);
  openFiles().push_back(h);
  return reinterpret_cast<File>(h);
}

}  // namespace

bool createExclusive(const fs::path& name, File& file) {
  // CREATE_NEW fails on any name that exists, a link included: nothing is written through one.
  HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return failed();
  file = opened(h);
  return true;
}

bool writeSome(File file, const char* data, size_t size, size_t& written) {
  DWORD chunk = size > (DWORD{1} << 30) ? (DWORD{1} << 30) : static_cast<DWORD>(size);
  DWORD n = 0;
  if (!WriteFile(handle(file), data, chunk, &n, nullptr)) return failed();
  written = n;
  return true;
}

bool syncFile(File file) {
  return FlushFileBuffers(handle(file)) || failed();
}

bool closeFile(File file) {
  {
    std::lock_guard<std::mutex> hold(openLock);
    auto& files = openFiles();
    auto at = std::find(files.begin(), files.end(), handle(file));
    if (at == files.end()) return true;  // let go already: the program is ending
    files.erase(at);
  }
  return CloseHandle(handle(file)) || failed();
}

void letGoOpenFiles() {
  std::lock_guard<std::mutex> hold(openLock);
  for (HANDLE h : openFiles()) CloseHandle(h);
  openFiles().clear();
}

bool openForReading(const fs::path& name, File& file) {
  // Backup semantics open folders too, so that they are refused as folders; a pipe is opened
  // without waiting for its other end.
  HANDLE h = CreateFileW(name.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return failed();
  file = opened(h);
  return true;
}

bool infoOf(File file, Info& info) {
  switch (GetFileType(handle(file))) {
    case FILE_TYPE_DISK:
      break;
    case FILE_TYPE_PIPE:
      info = Info{Type::Fifo, 0};
      return true;
    case FILE_TYPE_CHAR:
      info = Info{Type::Device, 0};
      return true;
    default:
      if (GetLastError() != NO_ERROR) return failed();
      info = Info{Type::Other, 0};
      return true;
  }
  BY_HANDLE_FILE_INFORMATION fi;
  if (!GetFileInformationByHandle(handle(file), &fi)) return failed();
  info = infoFrom(fi);
  return true;
}

bool readSome(File file, char* buffer, size_t size, size_t& got) {
  DWORD chunk = size > (DWORD{1} << 30) ? (DWORD{1} << 30) : static_cast<DWORD>(size);
  DWORD n = 0;
  if (!ReadFile(handle(file), buffer, chunk, &n, nullptr)) {
    if (GetLastError() == ERROR_BROKEN_PIPE) {  // the other end closed: the end of the input
      got = 0;
      return true;
    }
    return failed();
  }
  got = n;
  return true;
}

bool look(const fs::path& name, bool followLinks, Info& info) {
  HANDLE h = openToLook(name, followLinks);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD e = GetLastError();
    if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) {
      info = Info{};
      return true;
    }
    return failed();
  }
  bool ok = infoOf(reinterpret_cast<File>(h), info);
  int e = errno;
  CloseHandle(h);
  errno = e;
  return ok;
}

bool sameFile(const fs::path& a, const fs::path& b) {
  auto identity = [](const fs::path& p, BY_HANDLE_FILE_INFORMATION& fi) {
    HANDLE h = openToLook(p, true);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileInformationByHandle(h, &fi);
    CloseHandle(h);
    return ok;
  };
  BY_HANDLE_FILE_INFORMATION fa, fb;
  return identity(a, fa) && identity(b, fb) && fa.dwVolumeSerialNumber == fb.dwVolumeSerialNumber &&
         fa.nFileIndexHigh == fb.nFileIndexHigh && fa.nFileIndexLow == fb.nFileIndexLow;
}

bool removeFile(const fs::path& name) {
  // With POSIX semantics the name goes at once, even while the file is still open (a file
  // being written when an interrupt removes it), so that its folder can go too. Where the
  // system or the file system cannot, the ordinary delete, which waits for the last handle.
  HANDLE h = CreateFileW(name.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    DispositionEx gone{kDeleteAtOnce};
    bool done = SetFileInformationByHandle(h, kDispositionEx, &gone, sizeof gone);
    CloseHandle(h);
    if (done) return true;
  }
  return DeleteFileW(name.c_str()) || failed();
}

bool renameReplace(const fs::path& from, const fs::path& to) {
  // Write-through: the rename is on the disk when the call returns, as the folder's sync makes
  // it elsewhere.
  return MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
         failed();
}

bool hardLink(const fs::path& existing, const fs::path& name) {
  return CreateHardLinkW(name.c_str(), existing.c_str(), nullptr) || failed();
}

bool copyLink(const fs::path& link, const fs::path& name) {
  return CopyFileExW(link.c_str(), name.c_str(), nullptr, nullptr, nullptr,
                     COPY_FILE_COPY_SYMLINK | COPY_FILE_FAIL_IF_EXISTS) ||
         failed();
}

bool syncFolder(const fs::path& folder) {
  // Every rename was written through; the folder has nothing more to flush. The step is still
  // counted, so that a fault plan means the same steps on every system.
  DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return failed();
  return io_fault::proceed();
}

bool makePrivateFolder(const fs::path& name) {
  // A new folder inherits the parent's access list, as a user's own folders do here.
  return CreateDirectoryW(name.c_str(), nullptr) || failed();
}

void touchTogether(const std::vector<fs::path>& files) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  for (const fs::path& f : files) {
    HANDLE h = CreateFileW(f.c_str(), FILE_WRITE_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) continue;
    SetFileTime(h, nullptr, &now, &now);
    CloseHandle(h);
  }
}

uint64_t processId() {
  return GetCurrentProcessId();
}

std::string reason(int error) {
  return std::strerror(error);
}

}  // namespace sc::native
