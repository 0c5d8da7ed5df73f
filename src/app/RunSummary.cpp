// The migration summary page: plain HTML with its styles, pictures and sorting script inside.
#include "app/RunSummary.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include <exception>

#include "base/Base64.h"
#include "base/CodePage.h"
#include "legacy/Context.h"
#include "legacy/Report.h"
#include "legacy/ReportPrompter.h"
#include "writer/PageSvg.h"
#include "writer/ReportHost.h"

namespace kv {

namespace {

// Text for an HTML element or a quoted attribute. Bytes that are no UTF-8 become U+FFFD through
// the code-page conversion before they get here.
std::string Html(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}


// Appends the picture as a data URL: pictures make most of the page, so they are encoded straight
// into it rather than through a string of their own. SVG is text: it goes in as it is, with only
// what would end the attribute or the URL escaped, which is smaller and quicker than base64.
void AppendDataUrl(std::string& out, const TSummaryPicture& picture) {
  out += "data:";
  out += Html(picture.MediaType);
  if (picture.MediaType != "image/svg+xml") {
    out += ";base64,";
    AppendBase64(out, picture.Bytes);
    return;
  }
  out += ";charset=utf-8,";
  // Runs of plain text are copied whole; only the few characters below are escaped.
  static constexpr std::string_view Escaped = "%#\"&<>\n\r";
  const std::string_view bytes = picture.Bytes;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t special = bytes.find_first_of(Escaped, start);
    const std::size_t end = special == std::string_view::npos ? bytes.size() : special;
    out.append(bytes.data() + start, end - start);
    if (end == bytes.size()) break;
    static constexpr char Hex[] = "0123456789ABCDEF";
    const auto c = static_cast<unsigned char>(bytes[end]);
    out += '%';
    out += Hex[c >> 4];
    out += Hex[c & 15];
    start = end + 1;
  }
}

// Failed reports first, then those with warnings, then the done ones; list order within each.
int StatusRank(TConversionStatus status) {
  switch (status) {
    case TConversionStatus::Failed:
      return 0;
    case TConversionStatus::Warnings:
      return 1;
    case TConversionStatus::Done:
      return 2;
  }
  return 0;
}

constexpr const char* Style = R"(<style>
body{font-family:sans-serif;margin:1.5em;color:#222}
h1{font-size:1.4em;margin:0 0 .3em}
.when{color:#666;margin:0 0 1em}
.totals{display:flex;gap:1em;margin:0 0 1em;padding:0;list-style:none}
.totals li{padding:.4em .8em;border-radius:4px;background:#eef2f6}
.nopictures{padding:.6em .8em;background:#fff4d6;border:1px solid #e0c060;margin:0 0 1em}
table{border-collapse:collapse;width:100%}
th,td{border-bottom:1px solid #ddd;padding:.4em;text-align:left;vertical-align:top}
th button{font:inherit;font-weight:bold;background:none;border:0;padding:0;cursor:pointer}
.Failed .status{color:#b00020;font-weight:bold}
.Warnings .status{color:#8a5a00;font-weight:bold}
.Done .status{color:#176f2c}
.path{word-break:break-all}
ul.notes{margin:0;padding-left:1.2em}
.thumbs a{display:inline-block;margin:0 .3em .3em 0;border:1px solid #bbb;background:#fff}
.thumbs img{display:block;width:120px;height:auto}
.thumbs a:target{position:fixed;inset:0;margin:0;border:0;background:rgba(0,0,0,.75);overflow:auto;padding:2em;text-align:center;z-index:1;cursor:zoom-out}
.thumbs a:target img{display:inline-block;width:auto;max-width:none;background:#fff}
.unshown{color:#b00020}
</style>)";

// Sorts the table by a column when its header is clicked (again: the other way), and marks each
// picture as shown or says that it could not be.
constexpr const char* Script = R"(<script>
(function () {
  var table = document.getElementById('reports');
  var body = table.tBodies[0];
  var order = {};
  function key(row, column) {
    var cell = row.cells[column];
    var value = cell.getAttribute('data-key');
    return value !== null ? value : cell.textContent;
  }
  table.querySelectorAll('th button').forEach(function (button, column) {
    button.addEventListener('click', function () {
      var rows = Array.prototype.slice.call(body.rows);
      var up = order[column] = !order[column];
      var numeric = button.hasAttribute('data-numeric');
      rows.sort(function (a, b) {
        var x = key(a, column), y = key(b, column);
        var c = numeric ? Number(x) - Number(y) : x.localeCompare(y);
        return up ? c : -c;
      });
      rows.forEach(function (row) { body.appendChild(row); });
    });
  });
  // A click on a page shown at full size closes it again.
  document.querySelectorAll('.thumbs a').forEach(function (link) {
    link.addEventListener('click', function (event) {
      if (location.hash === '#' + link.id) {
        event.preventDefault();
        history.replaceState(null, '', location.pathname + location.search);
      }
    });
  });
  document.querySelectorAll('img').forEach(function (img) {
    function shown() { img.setAttribute('data-shown', img.naturalWidth > 0 ? 'yes' : 'no'); }
    if (img.complete) { shown(); } else { img.addEventListener('load', shown); }
    img.addEventListener('error', function () {
      img.setAttribute('data-shown', 'no');
      var text = document.createElement('span');
      text.className = 'unshown';
      text.textContent = 'picture could not be shown';
      img.parentNode.insertBefore(text, img);
    });
  });
})();
</script>)";

// Reading a report for its pictures asks the user nothing: no message boxes, no password.
class TSilentPrompter : public TReportPrompter {
 public:
  void ReportMessage(const std::string&, const std::string&, TMessageIcon) override {}
  std::optional<std::string> AskReportPassword() override { return std::nullopt; }
};

}  // namespace

std::vector<TPagePicture> ReadPagePictures(const std::string& path, int codePage,
                                           char decimalSeparator,
                                           const TConversionOutcome* outcome,
                                           std::string& problem) {
  problem.clear();
  try {
    TConversionContext context(codePage, decimalSeparator);
    TReportHost host(context);
    TkvReport& report = host.Report();
    TSilentPrompter silent;
    report.Prompter = &silent;
    std::vector<TPagePicture> pictures;
    if (!report.LoadReportFile(path)) {
      problem = "the file is missing";
    } else if (!report.LastLoad.Read()) {
      problem = CodePageToUtf8(LoadFailureText(report.LastLoad), codePage);
    } else {
      pictures = BuildPagePictures(report, outcome);
    }
    report.Prompter = nullptr;
    return pictures;
  } catch (const std::exception& e) {
    problem = CodePageToUtf8(e.what(), codePage);
  }
  return {};
}

std::vector<TSummaryPicture> SummaryPictures(const std::string& path,
                                             const TConversionOutcome& outcome, int codePage,
                                             char decimalSeparator) {
  std::string problem;
  std::vector<TSummaryPicture> pages;
  for (const TPagePicture& picture :
       ReadPagePictures(path, codePage, decimalSeparator, &outcome, problem)) {
    pages.push_back({"image/svg+xml", PagePictureSvg(picture)});
  }
  return pages;
}

std::string RunSummaryHtml(const std::vector<TSummaryReport>& reports,
                           const TSummaryOptions& options) {
  std::vector<std::size_t> order(reports.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return StatusRank(reports[a].Outcome.Status) < StatusRank(reports[b].Outcome.Status);
  });
  std::size_t written = 0, warned = 0, failed = 0;
  std::int64_t microseconds = 0;
  for (const TSummaryReport& report : reports) {
    const TConversionStatus status = report.Outcome.Status;
    if (report.Outcome.Written()) ++written;
    if (status == TConversionStatus::Warnings) ++warned;
    if (status == TConversionStatus::Failed) ++failed;
    microseconds += report.Outcome.Microseconds;
  }
  const auto text = [&](const std::string& reportText) {
    return Html(CodePageToUtf8(reportText, options.CodePage));
  };

  std::size_t pictureBytes = 0;
  for (const TSummaryReport& report : reports) {
    for (const TSummaryPicture& page : report.Pages) pictureBytes += page.Bytes.size();
  }
  std::string out;
  out.reserve(pictureBytes / 3 * 4 + 4096 + reports.size() * 1024);
  out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  out += "<meta name=\"viewport\" content=\"width=device-width\">\n";
  out += "<title>" + Html(options.Title) + "</title>\n";
  out += Style;
  out += "\n</head>\n<body>\n<h1>" + Html(options.Title) + "</h1>\n";
  if (!options.When.empty()) out += "<p class=\"when\">" + Html(options.When) + "</p>\n";
  if (!options.NoPictures.empty()) {
    out += "<p class=\"nopictures\" id=\"nopictures\">This summary has no page pictures: " +
           Html(options.NoPictures) + "</p>\n";
  }
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", static_cast<double>(microseconds) / 1e6);
  out += "<ul class=\"totals\" id=\"totals\">";
  out += "<li>" + std::to_string(reports.size()) + " reports</li>";
  out += "<li>" + std::to_string(written) + " written</li>";
  out += "<li>" + std::to_string(warned) + " with warnings</li>";
  out += "<li>" + std::to_string(failed) + " failed</li>";
  out += "<li>" + std::string(seconds) + " s</li></ul>\n";

  out += "<table id=\"reports\">\n<thead><tr>"
         "<th><button type=\"button\">Status</button></th>"
         "<th><button type=\"button\">Report</button></th>"
         "<th><button type=\"button\" data-numeric>Notes and messages</button></th>"
         "<th><button type=\"button\" data-numeric>Microseconds</button></th>"
         "<th>Pages</th></tr></thead>\n<tbody>\n";
  for (const std::size_t index : order) {
    const TSummaryReport& report = reports[index];
    const TConversionOutcome& o = report.Outcome;
    const char* status = StatusWord(o.Status);
    out += "<tr class=\"" + std::string(status) + "\">";
    out += "<td class=\"status\" data-key=\"" + std::to_string(StatusRank(o.Status)) + "\">" +
           status + "</td>";
    out += "<td class=\"path\">" + Html(report.Path);
    if (o.Written()) out += "<br><small>" + Html(o.OutputPath) + "</small>";
    out += "</td><td data-key=\"" + std::to_string(o.Notes.size() + o.Messages.size()) + "\">";
    if (!o.Problem.empty() || !o.Notes.empty() || !o.Messages.empty()) {
      out += "<ul class=\"notes\">";
      if (!o.Problem.empty()) {
        out += "<li><strong>No document was written: " + text(o.Problem) + "</strong></li>";
      }
      for (const std::string& message : o.Messages) out += "<li>" + text(message) + "</li>";
      for (const std::string& note : o.Notes) out += "<li>" + text(note) + "</li>";
      out += "</ul>";
    }
    out += "</td><td data-key=\"" + std::to_string(o.Microseconds) + "\">" +
           std::to_string(o.Microseconds) + "</td><td class=\"thumbs\">";
    for (std::size_t p = 0; p < report.Pages.size(); ++p) {
      const std::string id = "r" + std::to_string(index) + "p" + std::to_string(p + 1);
      const std::string alt = "page " + std::to_string(p + 1) + " of " + Html(report.Path);
      out += "<a id=\"" + id + "\" href=\"#" + id + "\" title=\"" + alt + "\"><img src=\"";
      AppendDataUrl(out, report.Pages[p]);
      out += "\" alt=\"" + alt + "\"></a>";
    }
    out += "</td></tr>\n";
  }
  out += "</tbody>\n</table>\n";
  out += Script;
  out += "\n</body>\n</html>\n";
  return out;
}

}  // namespace kv
