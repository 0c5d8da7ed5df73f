// The migration summary page: what it lists and in which order, that report texts cannot break
// out of it, and, opened in a real browser without a network, that it loads with no console
// error, lists every report and shows every picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "app/RunSummary.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace kv {
namespace {

// A PNG of 2 x 3 pixels (red, green and blue rows).
const std::string Png(
    "\x89\x50\x4E\x47\x0D\x0A\x1A\x0A\x00\x00\x00\x0D\x49\x48\x44\x52\x00\x00\x00\x02\x00\x00\x00"
    "\x03\x08\x02\x00\x00\x00\x36\x88\x49\xD6\x00\x00\x00\x11\x49\x44\x41\x54\x78\x9C\x63\xF8\xCF"
    "\xC0\x00\x44\x60\x02\x4E\x03\x00\x3E\xD6\x05\xFB\x58\x82\xCF\x46\x00\x00\x00\x00\x49\x45\x4E"
    "\x44\xAE\x42\x60\x82",
    74);

const std::string Svg =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"80\" height=\"100\" viewBox=\"0 0 80 100\">"
    "<rect x=\"5\" y=\"5\" width=\"70\" height=\"90\" fill=\"#fff\" stroke=\"#000\"/></svg>";

std::vector<TSummaryReport> ThreeReports() {
  std::vector<TSummaryReport> reports(3);
  reports[0].Path = "reports/Done.kvf";
  reports[0].Outcome.Status = TConversionStatus::Done;
  reports[0].Outcome.OutputPath = "reports/Done.kv3";
  reports[0].Outcome.Microseconds = 1200;
  reports[0].Pages = {{"image/png", Png}, {"image/svg+xml", Svg}};
  reports[1].Path = "reports/Failed.kvf";
  reports[1].Outcome.Status = TConversionStatus::Failed;
  reports[1].Outcome.Problem = "the file is empty";
  reports[2].Path = "reports/<b>Warned</b>.kvf";
  reports[2].Outcome.Status = TConversionStatus::Warnings;
  reports[2].Outcome.OutputPath = "reports/Warned.kv3";
  // A note in the report's code page (1252: "Größe"), and one that tries to end the page.
  reports[2].Outcome.Notes = {"Page 1, Memo1: Gr\xF6\xDF" "e", "</td></table><script>alert(1)</script>"};
  reports[2].Pages = {{"image/png", Png}};
  return reports;
}

TEST(RunSummary, FailedFirstTotalsEscapedTextsAndNothingFromOutside) {
  TSummaryOptions options;
  const std::string html = RunSummaryHtml(ThreeReports(), options);
  const std::size_t failed = html.find("reports/Failed.kvf");
  const std::size_t warned = html.find("reports/&lt;b&gt;Warned&lt;/b&gt;.kvf");
  const std::size_t done = html.find("reports/Done.kvf");
  ASSERT_NE(failed, std::string::npos);
  ASSERT_NE(warned, std::string::npos);
  ASSERT_NE(done, std::string::npos);
  EXPECT_LT(failed, warned);
  EXPECT_LT(warned, done);
  EXPECT_NE(html.find("No document was written: the file is empty"), std::string::npos);
  EXPECT_NE(html.find("Gr\xC3\xB6\xC3\x9F" "e"), std::string::npos);
  EXPECT_EQ(html.find("<script>alert"), std::string::npos);
  EXPECT_NE(html.find("<li>3 reports</li><li>2 written</li><li>1 with warnings</li><li>1 failed"),
            std::string::npos);
  EXPECT_EQ(html.find("id=\"nopictures\""), std::string::npos);
  // Nothing is fetched: no address to load from (the SVG namespace name is no address), no
  // linked style or script.
  for (const char* fetch : {"src=\"http", "href=\"http", "url(http", "src=\"//", "<link"}) {
    EXPECT_EQ(html.find(fetch), std::string::npos) << fetch;
  }
  // Pictures are data: a PNG in base64, an SVG as escaped text.
  EXPECT_NE(html.find("src=\"data:image/png;base64,iVBOR"), std::string::npos);
  EXPECT_NE(html.find("src=\"data:image/svg+xml;charset=utf-8,%3Csvg xmlns=%22"),
            std::string::npos);

  options.NoPictures = "this build of kv3conv has no drawing module";
  EXPECT_NE(RunSummaryHtml({}, options).find("This summary has no page pictures: this build"),
            std::string::npos);
}

#ifndef _WIN32
// The page in headless Chromium, from a file, with the network switched off: the document as the
// browser holds it after loading (its script has marked every picture) and the browser's log.
TEST(RunSummary, OpensInABrowserWithoutErrorsAndShowsEveryPicture) {
  test::TTempDir dir;
  const std::string page = dir.Write("summary.html", RunSummaryHtml(ThreeReports(), {}));
  std::string browser;
  for (const char* name : {"/usr/bin/chromium", "/usr/bin/chromium-browser"}) {
    if (std::system((std::string("test -x ") + name).c_str()) == 0) browser = name;
  }
  ASSERT_FALSE(browser.empty()) << "Chromium is not installed (make deps installs it)";
  const int exit = test::RunProgram(
      browser,
      {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-extensions",
       "--user-data-dir=" + dir / "profile", "--proxy-server=127.0.0.1:9",
       "--enable-logging=stderr", "--v=0", "--virtual-time-budget=2000", "--dump-dom",
       "file://" + page},
      dir / "dom", dir / "log");
  const std::string dom = dir.Read("dom");
  const std::string log = dir.Read("log");
  ASSERT_EQ(exit, 0) << log;
  // Console messages (a script error among them) are logged as CONSOLE lines.
  EXPECT_EQ(log.find("CONSOLE"), std::string::npos) << log;
  EXPECT_EQ(log.find("Uncaught"), std::string::npos) << log;
  for (const char* report : {"reports/Done.kvf", "reports/Failed.kvf", "Warned"}) {
    EXPECT_NE(dom.find(report), std::string::npos) << report;
  }
  // Three pages (a PNG and an SVG picture among them), each loaded and shown.
  const std::regex image("<img [^>]*>");
  int images = 0, shown = 0;
  for (auto it = std::sregex_iterator(dom.begin(), dom.end(), image); it != std::sregex_iterator();
       ++it) {
    ++images;
    if (it->str().find("data-shown=\"yes\"") != std::string::npos) ++shown;
  }
  EXPECT_EQ(images, 3);
  EXPECT_EQ(shown, 3) << dom.substr(0, 4000);
  EXPECT_EQ(dom.find("<span class=\"unshown\""), std::string::npos);
}
#endif

}  // namespace
}  // namespace kv
