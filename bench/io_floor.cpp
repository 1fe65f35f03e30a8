// The I/O floor of a build: a program that does nothing but deliver files of given sizes the
// way the compactor delivers its own, so that the compactor's whole-process time can be set
// beside the least any program needs to leave the same files on disk.
//
// Each file is delivered by the same steps: a new temporary file in the destination folder,
// created exclusively and never through a link, filled by one write, flushed with fsync and
// renamed over its name; the folder is then flushed. A set of files is written to temporary
// files first and renamed in order after the last of them, then the folder is flushed once.
// The bytes come from one buffer filled before the first file (a program must hold its bytes
// before it writes them); nothing is computed.
//
//   io_floor default FOLDER LINE TRAIN NOTES ORDER CARD PLAN RECORDS CELLS
//     the default build: the five texts one by one (sizes in bytes, in the order the build
//     writes them), the line and train texts then deleted, then the set of plan, records and
//     cells.
//   io_floor compile FOLDER PLAN RECORDS CELLS
//     a compile of the two source texts in FOLDER (read whole and deleted, as the readers
//     do), then the set of plan, records and cells.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace {

const std::string kLine = "Torvel_Dolvera_linea.txt";
const std::string kTrain = "Torvel_Dolvera_565-.txt";
const std::string kNotes = "Torvel_Dolvera_565_note.txt";
const std::string kOrder = "Torvel_Dolvera_565_rallentamenti.txt";
const std::string kCard = "Torvel_Dolvera_565_scheda_treno.txt";
const std::string kPlan = "Torvel_Dolvera_linea.dat";
const std::string kRecords = "Torvel_Dolvera_565.sim";
const std::string kCells = "Torvel_Dolvera_565.dat";

[[noreturn]] void die(const std::string& what) {
  std::fprintf(stderr, "io_floor: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

struct Folder {
  std::string path;
  int fd = -1;
  std::string at(const std::string& name) const { return path + "/" + name; }
  void sync() const {
    if (::fsync(fd) != 0) die("cannot flush " + path);
  }
};

// Writes size bytes of the buffer to a new temporary file and flushes it; returns its name.
std::string writeTemporary(const Folder& folder, const std::string& name, const char* bytes,
                           size_t size) {
  const std::string temp = folder.at("." + name + ".tmp");
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) die("cannot create " + temp);
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) die("cannot write " + temp);
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) die("cannot flush " + temp);
  if (::close(fd) != 0) die("cannot close " + temp);
  return temp;
}

void rename(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) die("cannot rename " + from);
}

// One file on its own: temporary file, rename, folder flushed.
void deliverOne(const Folder& folder, const std::string& name, const char* bytes, size_t size) {
  rename(writeTemporary(folder, name, bytes, size), folder.at(name));
  folder.sync();
}

// A set: every temporary file first, then the renames in order, then one flush of the folder.
void deliverSet(const Folder& folder, const std::vector<std::pair<std::string, size_t>>& files,
                const char* bytes) {
  std::vector<std::string> temps;
  for (const auto& [name, size] : files) temps.push_back(writeTemporary(folder, name, bytes, size));
  for (size_t i = 0; i < files.size(); ++i) rename(temps[i], folder.at(files[i].first));
  folder.sync();
}

// Reads a whole file in one read of its size; returns the bytes read.
size_t readWhole(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) die("cannot open " + path);
  struct stat st {};
  if (::fstat(fd, &st) != 0) die("cannot stat " + path);
  const size_t size = static_cast<size_t>(st.st_size);
  char* bytes = static_cast<char*>(std::malloc(size + 1));
  if (bytes == nullptr) die("no memory for " + path);
  size_t done = 0;
  while (done < size) {
    ssize_t r = ::read(fd, bytes + done, size - done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<size_t>(r);
  }
  ::close(fd);
  std::free(bytes);
  return done;
}

void remove(const std::string& path) {
  if (::unlink(path.c_str()) != 0) die("cannot delete " + path);
}

size_t sizeArg(const char* s) {
  char* end = nullptr;
  unsigned long long v = std::strtoull(s, &end, 10);
  if (end == s || *end != '\0') {
    std::fprintf(stderr, "io_floor: '%s' is not a size in bytes\n", s);
    std::exit(64);
  }
  return static_cast<size_t>(v);
}

int usage() {
  std::fprintf(stderr,
               "usage: io_floor default FOLDER LINE TRAIN NOTES ORDER CARD PLAN RECORDS CELLS\n"
               "       io_floor compile FOLDER PLAN RECORDS CELLS\n");
  return 64;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  const std::string mode = argv[1];
  const bool isDefault = mode == "default";
  if (!(isDefault && argc == 11) && !(mode == "compile" && argc == 6)) return usage();

  Folder folder{argv[2]};
  folder.fd = ::open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder.fd < 0) die("cannot open " + folder.path);

  std::vector<size_t> sizes;
  for (int i = 3; i < argc; ++i) sizes.push_back(sizeArg(argv[i]));
  size_t largest = 0;
  for (size_t s : sizes) largest = s > largest ? s : largest;
  // The buffer is allocated as the compactor allocates its largest block (on huge pages
  // where the system offers them on request), so that the floor is no slower than it for it.
  constexpr size_t kHugePage = size_t{2} << 20;
  void* memory = nullptr;
  if (::posix_memalign(&memory, kHugePage, largest + 1) != 0) die("no memory");
  char* buffer = static_cast<char*>(memory);
  if (largest >= kHugePage) ::madvise(buffer, largest / kHugePage * kHugePage, MADV_HUGEPAGE);
  std::memset(buffer, 'x', largest);
  const std::span<const char> bytes(buffer, largest);
  const size_t* compiled = sizes.data() + (isDefault ? 5 : 0);

  if (isDefault) {
    const std::string texts[] = {kLine, kTrain, kNotes, kOrder, kCard};
    for (int i = 0; i < 5; ++i) deliverOne(folder, texts[i], bytes.data(), sizes[i]);
    remove(folder.at(kLine));
    remove(folder.at(kTrain));
  } else {
    for (const std::string& text : {kLine, kTrain}) {
      if (readWhole(folder.at(text)) == 0) die(text + " is empty");
      remove(folder.at(text));
    }
  }
  deliverSet(folder, {{kPlan, compiled[0]}, {kRecords, compiled[1]}, {kCells, compiled[2]}},
             bytes.data());
  ::close(folder.fd);
  std::free(buffer);
  return 0;
}
