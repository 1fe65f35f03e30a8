// The file system's primitive steps, one implementation per system: file_io_posix.cpp and
// file_io_win32.cpp. The all-or-nothing delivery built on them (file_io.cpp) is the same
// everywhere. A failing call returns false and leaves the reason in errno; the Win32 side maps
// the system's error onto the nearest errno value, so that messages and decisions read alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace sc {

namespace io_fault {
// Counts one file-system step; false when this is the step planned to fail (errno is then EIO).
bool proceed();
}  // namespace io_fault

namespace native {

// An open file: a descriptor or a handle.
using File = intptr_t;

enum class Type { Missing, Regular, Link, Folder, Fifo, Device, Socket, Other };

struct Info {
  Type type = Type::Missing;
  uint64_t size = 0;
};

// A new file for writing, created exclusively: it fails when any name (a link included)
// stands there already, so nothing is ever written through a link.
bool createExclusive(const std::filesystem::path& name, File& file);
bool writeSome(File file, const char* data, size_t size, size_t& written);
bool syncFile(File file);
bool closeFile(File file);
// Closes every file still open, for an interrupt that removes them next: where an open file's
// name cannot be removed. A later closeFile of one of them does nothing.
void letGoOpenFiles();

// Opens an existing file for reading without waiting on it (a FIFO without a writer).
bool openForReading(const std::filesystem::path& name, File& file);
bool infoOf(File file, Info& info);
bool readSome(File file, char* buffer, size_t size, size_t& got);

// What stands at the name, following links or not; a missing name is Type::Missing (true).
bool look(const std::filesystem::path& name, bool followLinks, Info& info);
// Whether the two names lead to the same existing file.
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

bool removeFile(const std::filesystem::path& name);
// Renames over the destination, replacing a file or a link standing there (never its target).
bool renameReplace(const std::filesystem::path& from, const std::filesystem::path& to);
// A second name for the same file; fails where the file system has no hard links.
bool hardLink(const std::filesystem::path& existing, const std::filesystem::path& name);
// A copy of the link itself (not of its target) under a new name.
bool copyLink(const std::filesystem::path& link, const std::filesystem::path& name);
// Makes the folder's entries durable; counts one step (io_fault::proceed) once it is open.
bool syncFolder(const std::filesystem::path& folder);
// A new folder that only its owner may enter.
bool makePrivateFolder(const std::filesystem::path& name);

// Gives the files one modification time, now; a file that cannot take it keeps its own.
void touchTogether(const std::vector<std::filesystem::path>& files);

uint64_t processId();
// The text of an errno value.
std::string reason(int error);

}  // namespace native
}  // namespace sc
