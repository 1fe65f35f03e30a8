// File services of the platform. Every file the program writes replaces its destination whole
// and atomically: the bytes go to a new temporary file in the destination's folder, which is
// synced and then renamed over the name. A reader of the destination sees the old file or the
// new one, never a cut or empty one, and nothing is ever written through a link standing at a
// destination name. Every failure names the file and the system's reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sc {

// A failure reported by the file system.
class FileError : public std::runtime_error {
 public:
  FileError(std::filesystem::path file, std::string reason)
      : std::runtime_error(file.string() + ": " + reason),
        file_(std::move(file)),
        reason_(std::move(reason)) {}
  const std::filesystem::path& file() const { return file_; }
  const std::string& reason() const { return reason_; }

 private:
  std::filesystem::path file_;
  std::string reason_;
};

// Whether a regular file stands at the name (a link to one counts).
bool fileExists(const std::filesystem::path& file);

// Deletes a file; a missing file is a failure, as it is for the platform's delete.
void deleteFile(const std::filesystem::path& file);

// The largest source text the program reads; larger ones are refused before they are read.
constexpr size_t kMaxSourceTextBytes = size_t{64} << 20;

// Reads a whole regular file. Anything else (a folder, a FIFO, a device) is refused without
// waiting on it, and so is a file longer than maxBytes, before any of it is read.
std::string readFile(const std::filesystem::path& file, size_t maxBytes = kMaxSourceTextBytes);

// Size of the regular file at the name, or a FileError saying why there is none.
uint64_t regularFileSize(const std::filesystem::path& file);

// Whether the two names lead to the same file (the same device and inode), however they are
// spelled. Names that do not lead to an existing file are never the same.
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// Files delivered together, all or nothing. stage() writes each file whole to a new temporary
// file beside its destination (created exclusively, synced). commit() then gives the staged
// files one modification time and renames them over their names in the order staged; when a
// rename fails, the names already replaced get their earlier files back, so the destinations
// are all old or all new. Destroyed without a commit, the set removes its temporary files and
// changes nothing.
class FileSet {
 public:
  FileSet() = default;
  FileSet(const FileSet&) = delete;
  FileSet& operator=(const FileSet&) = delete;
  ~FileSet();

  void stage(const std::filesystem::path& file, std::string_view bytes);
  void commit();

  // The destinations, in the order staged.
  std::vector<std::filesystem::path> destinations() const;

 private:
  struct Staged {
    std::filesystem::path destination;
    std::filesystem::path temporary;
  };
  std::vector<Staged> staged_;
  bool committed_ = false;
};

// Replaces one file whole and atomically, as a set of one.
void replaceFile(const std::filesystem::path& file, std::string_view bytes);

// Private folders and temporary files that must not outlive the program. An interrupt removes
// them (see driver/interrupts.h); the lock keeps it from cutting into a commit, so that after
// an interrupt the destinations are entirely old or entirely new.
namespace cleanup {
// Creates a new private folder parent/PREFIXxxxxxx and registers it, in one step that an
// interrupt cannot cut into.
std::filesystem::path createFolder(const std::filesystem::path& parent, const std::string& prefix);
void removeFolder(const std::filesystem::path& folder);  // removes it and forgets it
// Removes every registered temporary file and folder. Holds the lock while it works and keeps
// holding it, so that no commit starts afterwards; for the interrupt handler, which then ends
// the program.
void removeAllAndHold();
}  // namespace cleanup

// Test seam for fault injection: the Nth file-system step from now (a write, an fsync or a
// rename) fails with an input/output error, as a failing disk would; 0 turns it off. Steps
// are counted whether or not a failure is planned.
namespace io_fault {
void failStep(int64_t n);
int64_t stepsTaken();
}  // namespace io_fault

}  // namespace sc
