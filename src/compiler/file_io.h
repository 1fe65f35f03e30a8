// File services of the platform: every file of a build is replaced whole by the same steps,
// and every failure names the file and the system's reason.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

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

bool fileExists(const std::filesystem::path& file);

// Deletes a file; a missing file is a failure, as it is for the platform's delete.
void deleteFile(const std::filesystem::path& file);

// Replaces a file whole: open it for read-write access and close it (creating it when
// missing), delete it, create it anew, write all bytes in one go, close it. No byte of an
// earlier, longer file survives.
void replaceFile(const std::filesystem::path& file, std::string_view bytes);

// Reads a whole file.
std::string readFile(const std::filesystem::path& file);

}  // namespace sc
