// The product's bytes, pinned: the SHA-256 of every file of the default build and of the
// compiled files of small fixed scenarios (tests/fixtures). A change to any built-in row,
// packing or layout fails here and names the file. When a change is intended, the failure
// prints the new digest for the table below.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "compiler/compiler.h"
#include "driver/driver.h"
#include "driver/platform.h"
#include "sha256.h"
#include "sources/writers.h"
#include "test_support.h"

namespace sc {
namespace {

namespace fs = std::filesystem;

// File name -> SHA-256. The first eight are the default build's files.
const std::map<std::string, std::string> kDigests = {
    // The five texts of the built-in scenario.
    {"Torvel_Dolvera_linea.txt",
     "2dd1fc2ba5bc10a8b867a40052ae27d84130020740468c233b6f7fd60834a6f2"},
    {"Torvel_Dolvera_565-.txt", "9c5adcc886c0107c627d3319ab5eef4299a622dbc5fe3f8aa5f68e1a9cd11eb8"},
    {"Torvel_Dolvera_565_note.txt",
     "b8dc235caf8c10241fbd53f950975aaa84f848c908cfb4efc9273355538483c8"},
    {"Torvel_Dolvera_565_rallentamenti.txt",
     "f40da5efb1e770fac00a6457a2a671d70b72b2926587ff8160db33cf2643a516"},
    {"Torvel_Dolvera_565_scheda_treno.txt",
     "db263368c530b7034a6079a0cf0573c2c74ec4fde6fde08b00ccb37b449e70b4"},
    // Its three compiled files.
    {"Torvel_Dolvera_linea.dat",
     "2b87be2c64b8237cf2dfb865384fbcd203111d2f6574aad5cc6f16a8bb82ac25"},
    {"Torvel_Dolvera_565.sim", "2d297bbdb5d69914c9f4900edc28a1423fba6f7c772b3f83eb2a09114b3bf59c"},
    {"Torvel_Dolvera_565.dat", "56df9c1f9fbda3f46f48b0be786fd462633ab1573a4ffca04a9966969d7fd666"},
    // tests/fixtures: Short with and without the plan, Crowded (a post-pass fault recorded).
    {"Short_linea.dat", "7b49885d37cb6595814b62e21ffebddd0c1e3d7ba8269cc607aa45d6355d1d5f"},
    {"Short_1.sim", "452761b8267eebb6fbfc618b9eb4a83794519e5028803f0e2985cd691170be9a"},
    {"Short_1.dat", "c48afb2fefdf3c7b1683700aa38bcefe627f82018c5ea0d43e956caa5f07a1d4"},
    {"Short_1.sim (no plan)", "452761b8267eebb6fbfc618b9eb4a83794519e5028803f0e2985cd691170be9a"},
    {"Short_1.dat (no plan)", "c48afb2fefdf3c7b1683700aa38bcefe627f82018c5ea0d43e956caa5f07a1d4"},
    {"Crowded_linea.dat", "7b49885d37cb6595814b62e21ffebddd0c1e3d7ba8269cc607aa45d6355d1d5f"},
    {"Crowded_1.sim", "2fa7929dfec931e541af68f7aa03b5ec45e8bf4879e60ed1baf0677727b073b0"},
    {"Crowded_1.dat", "9c6d24bae349ee8713881cf28804b9ba7ec81102c795a801525e13add5f001df"},
};

void expectDigest(const std::string& name, const std::string& bytes) {
  auto it = kDigests.find(name);
  ASSERT_NE(it, kDigests.end()) << name << " has no digest in the table";
  const std::string digest = test::sha256Hex(bytes);
  EXPECT_EQ(digest, it->second) << name << " changed: its SHA-256 is now\n    {\"" << name
                                << "\", \"" << digest << "\"},";
}

TEST(Golden, Sha256OfKnownTexts) {
  EXPECT_EQ(test::sha256Hex(""),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(test::sha256Hex("abc"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // Two blocks: the padding does not fit behind 56 bytes.
  EXPECT_EQ(test::sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(Golden, DefaultBuild) {
  test::TempDir texts;
  ScenarioFiles files{texts.path(), kScenarioName, kTrainNumber};
  dati_linea(files);
  dati_treno(files);
  dati_note(files);
  dati_rallentamenti(files);
  dati_scheda(files);
  for (const fs::path& f : {files.lineDescription(), files.trainDescription(), files.notes(),
                            files.slowdownOrder(), files.timetableCard()}) {
    expectDigest(f.filename().string(), test::slurp(f));
  }

  test::TempDir built;
  auto platform = makeHeadlessPlatform();
  std::ostringstream err;
  ASSERT_EQ(runDefaultBuild(*platform, built.path(), err), kExitClean) << err.str();
  ScenarioFiles out{built.path(), kScenarioName, kTrainNumber};
  for (const fs::path& f : {out.planFile(), out.recordFile(), out.cellFile()}) {
    expectDigest(f.filename().string(), test::slurp(f));
  }
}

// Compiles tests/fixtures/NAME_linea.txt and NAME_1-.txt and checks the compiled files.
void expectFixture(const std::string& name, int32_t buildFlag, int32_t errorNumber) {
  SCOPED_TRACE(name);
  const fs::path fixtures = fs::path(SC_SOURCE_DIR) / "tests" / "fixtures";
  test::TempDir dir;
  Build b(dir.path(), name, "1", buildFlag);
  fs::copy_file(fixtures / (name + "_linea.txt"), b.files.lineDescription());
  fs::copy_file(fixtures / (name + "_1-.txt"), b.files.trainDescription());
  CompileOutcome outcome = memorizza_percorso(b);
  ASSERT_EQ(outcome.end, CompileOutcome::End::Written);
  EXPECT_EQ(b.error.errorNumber, errorNumber);
  for (const fs::path& f : outcome.written) {
    expectDigest(f.filename().string() + (buildFlag == 0 ? " (no plan)" : ""), test::slurp(f));
  }
}

TEST(Golden, Fixtures) {
  expectFixture("Short", 1, 0);
  expectFixture("Short", 0, 0);
  expectFixture("Crowded", 1, err::BandNotFree);
}

}  // namespace
}  // namespace sc
