// The migration summary of a report run: one HTML page that holds everything (styles, the small
// script that sorts the table, and the page pictures as data), so that it opens from a disk, a
// mail or a share with no network. Totals first, then a row per report with its status, its
// notes and messages, and thumbnails of its pages (a click shows a page at full size); failed
// reports come first, and the table sorts by any column (a click on its header).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "writer/Conversion.h"
#include "writer/PagePicture.h"

namespace kv {

// A picture of one page: an image file's bytes and its media type ("image/png", "image/svg+xml").
struct TSummaryPicture {
  std::string MediaType;
  std::string Bytes;
};

struct TSummaryReport {
  std::string Path;  // the report file (UTF-8)
  TConversionOutcome Outcome;
  // A picture per page, shown as a thumbnail that a click shows at full size (a vector picture
  // serves both); empty when there are no pictures.
  std::vector<TSummaryPicture> Pages;
};

struct TSummaryOptions {
  int CodePage = 1252;  // of the notes, messages and problems (texts of the reports)
  std::string Title = "Report migration summary";
  // Why the summary has no pictures (a build without the drawing module); empty when it has.
  std::string NoPictures;
  // When the run was made, as shown at the top ("2026-12-11 14:03").
  std::string When;
};

std::string RunSummaryHtml(const std::vector<TSummaryReport>& reports,
                           const TSummaryOptions& options);

// The pictures of the pages of the report file at path, read again without asking the user
// anything; none, with the reason in problem, when the report cannot be read (a protected one
// among them). outcome: what its conversion gave (its notes are marked), or nullptr.
std::vector<TPagePicture> ReadPagePictures(const std::string& path, int codePage,
                                           char decimalSeparator,
                                           const TConversionOutcome* outcome,
                                           std::string& problem);
// The same pages as SVG pictures for the summary.
std::vector<TSummaryPicture> SummaryPictures(const std::string& path,
                                             const TConversionOutcome& outcome, int codePage,
                                             char decimalSeparator);

}  // namespace kv
