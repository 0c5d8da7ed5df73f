// kv3conv preview: pictures of the pages of a legacy report. The display list is built here,
// without Qt; the Qt module beside the program draws each page from its JSON form and writes the
// file, so that the other commands never load Qt.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include "base/CodePage.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/TextModule.h"
#include "legacy/Context.h"
#include "legacy/Report.h"
#include "platform/Path.h"
#include "writer/Conversion.h"
#include "writer/PagePicture.h"
#include "writer/ReportHost.h"

namespace kv::cli {

namespace {

// The file name of the report without its folder and its last extension.
std::string Stem(const std::string& path) {
  std::string name = path.substr(os::FileNameStart(path));
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

}  // namespace

int RunPreview(const TPreviewArgs& args) {
  if (!args.BuiltWithModule) {
    std::fprintf(stderr,
                 "kv3conv: page pictures need the Qt module %s, which this build does not have\n",
                 TextModuleFile);
    return ExitUsage;
  }
  std::string problem;
  const TDrawPageFunction draw = LoadDrawModule(problem);
  if (draw == nullptr) {
    std::fprintf(stderr, "kv3conv: page pictures need the Qt module: %s\n",
                 Printable(problem).c_str());
    return ExitUsage;
  }
  std::optional<std::string> password;
  if (!ReadPasswordOption(args.Password, args.PasswordFile, password)) return ExitUsage;
  TCliReportPrompter prompter(args.Input, password, args.CodePage);
  TConversionContext context(args.CodePage, args.DecimalSeparator);
  TReportHost host(context);
  TkvReport& report = host.Report();
  report.Prompter = &prompter;
  try {
    if (!report.LoadReportFile(args.Input)) {
      std::fprintf(stderr, "kv3conv: %s: no such file\n", Printable(args.Input).c_str());
      return ExitFileFailed;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kv3conv: %s: %s\n", Printable(args.Input).c_str(),
                 Printable(e.what()).c_str());
    return ExitFileFailed;
  }
  if (!report.LastLoad.Read()) {
    std::fprintf(
        stderr, "kv3conv: %s: %s\n", Printable(args.Input).c_str(),
        Printable(CodePageToUtf8(LoadFailureText(report.LastLoad), args.CodePage)).c_str());
    return ExitFileFailed;
  }
  TConversionOutcome notes;
  notes.Notes = LoadNotes(report);
  const std::vector<TPagePicture> pictures = BuildPagePictures(report, &notes);
  if (args.Page > static_cast<int>(pictures.size())) {
    std::fprintf(stderr, "kv3conv: %s: there is no page %d; the report has %zu page%s\n",
                 Printable(args.Input).c_str(), args.Page, pictures.size(),
                 pictures.size() == 1 ? "" : "s");
    return ExitUsage;
  }
  const std::string folder =
      args.OutFolder.empty() ? args.Input.substr(0, os::FileNameStart(args.Input)) : args.OutFolder;
  if (!args.OutFolder.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(os::ToPath(args.OutFolder), ec);
    if (ec) {
      std::fprintf(stderr, "kv3conv: cannot create the folder %s: %s\n",
                   Printable(args.OutFolder).c_str(), ec.message().c_str());
      return ExitUsage;
    }
  }
  int result = ExitOk;
  for (const TPagePicture& picture : pictures) {
    if (args.Page != 0 && picture.Number != args.Page) continue;
    const std::string name =
        Stem(args.Input) + "-page" + std::to_string(picture.Number) + "." + args.Format;
    const std::string path = folder.empty() ? name : os::Join(folder, name);
    const std::string json = PagePictureJson(picture);
    char error[1024] = {};
    if (draw(json.data(), json.size(), args.Format.c_str(), args.Dpi, path.c_str(), error,
             sizeof error) != 0) {
      std::fprintf(stderr, "kv3conv: %s: page %d: %s\n", Printable(args.Input).c_str(),
                   picture.Number, Printable(error).c_str());
      result = ExitFileFailed;
      continue;
    }
    WriteOut(Printable(path) + "\n");
  }
  return result;
}

}  // namespace kv::cli
