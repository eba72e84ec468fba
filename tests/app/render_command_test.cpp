// brindlefax render: the fax file of an outgoing record of a program folder, checked page
// by page through brindlefax export against the editor's own painting; choice of record,
// and the errors it reports.
#include "commands.h"
#include "faxpages.h"
#include "support/programdir.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using testutil::AddOutgoingWithText;
using testutil::FilesStartingWith;

struct CommandRun {
  int code;
  std::string out, err;
};

CommandRun run(int (*cmd)(const brindlefax::Args&, std::ostream&, std::ostream&),
               brindlefax::Args args) {
  std::ostringstream out, err;
  const int code = cmd(args, out, err);
  return {code, out.str(), err.str()};
}

// A P4 portable bitmap as written by export.
faximage::MonoBitmap readPbm(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::string magic;
  int w = 0, h = 0;
  in >> magic >> w >> h;
  in.get();
  if (magic != "P4" || w <= 0 || h <= 0) return {};
  faximage::MonoBitmap b(w, h);
  in.read(reinterpret_cast<char*>(b.bits.data()), std::streamsize(b.bits.size()));
  return b;
}

class RenderCommandTest : public ::testing::Test {
 protected:
  testutil::ProgramDirFixture dir;
  QTemporaryDir outDir;
  std::string out(const std::string& name) const {
    return outDir.path().toStdString() + "/" + name;
  }
  std::string data() const { return dir.dir.path(); }

  void expectOnlyTablesLeft() {
    EXPECT_TRUE(FilesStartingWith("BDL_").empty());
    EXPECT_TRUE(FilesStartingWith("BDLAX").empty());
    EXPECT_TRUE(FilesStartingWith("_TMP").empty());
  }
};

TEST_F(RenderCommandTest, ExportedPagesShowTheCoverFirstAndTheDocumentAsTheEditorLaysItOut) {
  AddOutgoingWithText("Four pages", "20200101", testutil::CoverRtf(), testutil::ThreePageRtf());
  AddOutgoingWithText("Newer", "20240101", "", testutil::Rtf("Something else.\\par"));
  const CommandRun r =
      run(brindlefax::runRender, {"--data-dir", data(), "--record", "1", "-o", out("fax.brx")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, out("fax.brx") + ": 4 pages\n");
  expectOnlyTablesLeft();

  const CommandRun e =
      run(brindlefax::runExport, {out("fax.brx"), "-f", "pbm", "-o", out("page.pbm")});
  ASSERT_EQ(e.code, 0) << e.err;
  std::vector<QImage> expected =
      testutil::PaintedPages(*testutil::EditorWith(testutil::CoverRtf()));
  for (const QImage& page : testutil::PaintedPages(*testutil::EditorWith(testutil::ThreePageRtf())))
    expected.push_back(page);
  ASSERT_EQ(expected.size(), 4u);
  for (int n = 1; n <= 4; ++n) {
    const faximage::MonoBitmap page = readPbm(out("page-" + std::to_string(n) + ".pbm"));
    EXPECT_EQ(page.width, 1728);
    EXPECT_EQ(testutil::DifferingPixels(page, expected[size_t(n - 1)]), 0) << "page " << n;
  }
}

TEST_F(RenderCommandTest, WithoutARecordNumberTheFirstFaxOfTheListIsBuilt) {
  AddOutgoingWithText("Older", "20200101", testutil::CoverRtf(), testutil::ThreePageRtf());
  AddOutgoingWithText("Newest first", "20240101", "", testutil::Rtf("Something else.\\par"));
  const auto here = std::filesystem::current_path();
  std::filesystem::current_path(outDir.path().toStdString());
  const CommandRun r = run(brindlefax::runRender, {"--data-dir", data()});
  std::filesystem::current_path(here);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "record2.BRX: 1 page\n");
  EXPECT_TRUE(std::filesystem::exists(out("record2.BRX")));
}

TEST_F(RenderCommandTest, ProblemsAreReportedWithTheirReasons) {
  EXPECT_EQ(run(brindlefax::runRender, {}).code, 2);
  EXPECT_EQ(run(brindlefax::runRender, {"--data-dir", data(), "--record", "x"}).code, 2);
  EXPECT_EQ(run(brindlefax::runRender, {"--data-dir", data(), "--record", "0"}).code, 2);
  EXPECT_EQ(run(brindlefax::runRender, {"--data-dir", data(), "--bogus"}).code, 2);

  CommandRun r = run(brindlefax::runRender, {"--data-dir", data()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("BDL.DBF is missing"), std::string::npos) << r.err;

  AddOutgoingWithText("Blank", "20200101", testutil::Rtf(" \\par"), "");
  r = run(brindlefax::runRender, {"--data-dir", data(), "--record", "2", "-o", out("x.brx")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("no outgoing record 2"), std::string::npos) << r.err;

  r = run(brindlefax::runRender, {"--data-dir", data(), "--record", "1", "-o", out("x.brx")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Fax has no contents or cover sheet"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(out("x.brx")));
  expectOnlyTablesLeft();
}

}  // namespace
