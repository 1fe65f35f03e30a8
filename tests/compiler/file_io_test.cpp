#include "compiler/file_io.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <sstream>

#include "cli/compile_command.h"
#include "driver/driver.h"
#include "old_or_new.h"
#include "test_support.h"

namespace sc {
namespace {

namespace fs = std::filesystem;

using test::contents;
using test::kCompiled;
using test::kDocuments;
using test::kSources;
using test::plantOldSet;

// After a failure at any step, the compiled files are all of the earlier set or all of the new
// one, every other file is its earlier self, its new self or (for a file that had no earlier
// self) absent, and nothing else stands in the folder.
void expectOldOrNew(const test::Contents& found, const test::Contents& fresh,
                    const std::vector<std::string>& planted, int64_t step) {
  EXPECT_EQ(test::checkOldOrNew(found, fresh, planted), "") << "failing step " << step;
}

TEST(FaultInjection, DefaultBuildIsOldOrNewAfterAFailureAtEveryStep) {
  auto headless = makeHeadlessPlatform();
  Platform& platform = *headless;
  test::TempDir clean;
  std::ostringstream err;
  io_fault::failStep(0);
  ASSERT_EQ(runDefaultBuild(platform, clean.path(), err), kExitClean) << err.str();
  const int64_t steps = io_fault::stepsTaken();
  auto fresh = contents(clean.path());
  ASSERT_GT(steps, 20);
  // A build stopped after writing a source text leaves it, as a build stopped in the readers
  // would: it is the new text, whole.
  test::TempDir texts;
  ASSERT_EQ(runExport(texts.path(), false, err), kExitClean);
  for (const auto& n : kSources) fresh[n] = test::slurp(texts / n);

  std::vector<std::string> planted = kCompiled;
  planted.insert(planted.end(), kDocuments.begin(), kDocuments.end());
  for (int64_t n = 1; n <= steps; ++n) {
    test::TempDir dir;
    plantOldSet(dir.path(), planted);
    std::ostringstream e;
    io_fault::failStep(n);
    int status = runDefaultBuild(platform, dir.path(), e);
    io_fault::failStep(0);
    EXPECT_EQ(status, kExitFileSystem) << "step " << n << ": " << e.str();
    EXPECT_NE(e.str().find("Input/output error"), std::string::npos) << e.str();
    expectOldOrNew(contents(dir.path()), fresh, planted, n);
  }
}

TEST(FaultInjection, CompileIsOldOrNewAfterAFailureAtEveryStep) {
  test::TempDir src;
  std::ostringstream err;
  ASSERT_EQ(runExport(src.path(), false, err), kExitClean) << err.str();
  const auto sources = contents(src.path());
  CompileOptions o;
  o.line = src / kSources[0];
  o.train = src / kSources[1];

  test::TempDir clean;
  o.output = clean.path();
  std::ostringstream out;
  io_fault::failStep(0);
  ASSERT_EQ(runCompile(o, out, err), kExitClean) << err.str();
  const int64_t steps = io_fault::stepsTaken();
  const auto fresh = contents(clean.path());

  for (int64_t n = 1; n <= steps; ++n) {
    test::TempDir dir;
    plantOldSet(dir.path(), kCompiled);
    o.output = dir.path();
    std::ostringstream e;
    io_fault::failStep(n);
    int status = runCompile(o, out, e);
    io_fault::failStep(0);
    EXPECT_EQ(status, kExitFileSystem) << "step " << n << ": " << e.str();
    // The working folder and its copies of the texts are gone too.
    expectOldOrNew(contents(dir.path()), fresh, kCompiled, n);
    EXPECT_EQ(contents(src.path()), sources) << "an input changed at step " << n;
  }
}

TEST(FileSet, ReplacesALinkAtTheNameInsteadOfWritingThroughIt) {
  test::TempDir dir;
  fs::path outside = dir / "outside";
  fs::create_directories(outside);
  fs::create_directories(dir / "out");
  fs::create_symlink(outside / "target", dir / "out" / "name");
  replaceFile(dir / "out" / "name", "bytes");
  EXPECT_FALSE(fs::exists(outside / "target"));
  EXPECT_FALSE(fs::is_symlink(dir / "out" / "name"));
  EXPECT_EQ(test::slurp(dir / "out" / "name"), "bytes");
}

TEST(FileSet, AFailedRenamePutsBackTheFilesAlreadyReplaced) {
  test::TempDir dir;
  test::spit(dir / "a", "old a");
  fs::create_symlink("somewhere", dir / "b");
  fs::create_directories(dir / "c");  // no rename replaces a folder
  FileSet set;
  set.stage(dir / "a", "new a");
  set.stage(dir / "b", "new b");
  set.stage(dir / "c", "new c");
  EXPECT_THROW(set.commit(), FileError);
  EXPECT_EQ(test::slurp(dir / "a"), "old a");
  ASSERT_TRUE(fs::is_symlink(dir / "b"));
  EXPECT_EQ(fs::read_symlink(dir / "b"), "somewhere");
  EXPECT_EQ(contents(dir.path()).size(), 3u) << "temporary files left";
}

TEST(FileSet, ASetDroppedBeforeItsCommitChangesNothing) {
  test::TempDir dir;
  test::spit(dir / "a", "old a");
  {
    FileSet set;
    set.stage(dir / "a", "new a");
    set.stage(dir / "b", "new b");
  }
  EXPECT_EQ(contents(dir.path()), (std::map<std::string, std::string>{{"a", "old a"}}));
}

TEST(ReadFile, RefusesWhatIsNotARegularFileOrTooLong) {
  test::TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  test::spit(dir / "long", std::string(100, 'x'));
  struct Case {
    fs::path file;
    size_t max;
    std::string reason;
  } cases[] = {
      {dir / "fifo", 1000, "a FIFO, not a regular file"},
      {dir.path(), 1000, "a folder, not a regular file"},
      {"/dev/zero", 1000, "a device, not a regular file"},
      {dir / "long", 99, "100 bytes long, more than the 99 bytes"},
      {dir / "missing", 1000, "no such file"},
  };
  for (const Case& c : cases) {
    try {
      readFile(c.file, c.max);
      ADD_FAILURE() << c.file << " was read";
    } catch (const FileError& e) {
      EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.reason();
    }
  }
  EXPECT_EQ(readFile(dir / "long", 100).size(), 100u);
}

TEST(SameFile, ComparesIdentityNotSpelling) {
  test::TempDir dir;
  test::spit(dir / "a", "x");
  fs::create_hard_link(dir / "a", dir / "hard");
  fs::create_symlink(dir / "a", dir / "soft");
  EXPECT_TRUE(sameFile(dir / "a", dir / "hard"));
  EXPECT_TRUE(sameFile(dir / "a", dir / "soft"));
  EXPECT_TRUE(sameFile(dir / "a", dir.path() / "." / "a"));
  EXPECT_FALSE(sameFile(dir / "a", dir / "missing"));
}

}  // namespace
}  // namespace sc
