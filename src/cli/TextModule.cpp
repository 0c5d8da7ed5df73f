// Loading the text-measuring module and measuring through it.
#include "cli/TextModule.h"

#include <string_view>

#include "base/CodePage.h"
#include "cli/TextModuleAbi.h"
#include "platform/Module.h"
#include "platform/Path.h"
#include "platform/Process.h"

namespace kv::cli {

namespace {

class TModuleTextMeasurer : public TTextMeasurer {
 public:
  explicit TModuleTextMeasurer(TMeasureTextFunction measure) : Measure(measure) {}

  TTextSize MeasureText(std::string_view text, const TkvFont& font, std::int64_t wrapWidth,
                        int codePage) const override {
    const TScreenFont screen = ScreenFontOf(font, codePage);
    const std::string utf8 = CodePageToUtf8(text, codePage);
    const unsigned style = (screen.Bold ? TextBold : 0u) | (screen.Italic ? TextItalic : 0u) |
                           (screen.Underline ? TextUnderline : 0u) |
                           (screen.StrikeOut ? TextStrikeOut : 0u);
    std::int64_t width = 0, height = 0;
    if (Measure(utf8.data(), utf8.size(), screen.FamilyUtf8.data(), screen.FamilyUtf8.size(),
                screen.PixelSize, style, wrapWidth, &width, &height) != 0) {
      return TTextSize{};
    }
    return TTextSize{width, height};
  }

 private:
  TMeasureTextFunction Measure;
};

// The folder of the running program, with a separator at its end; empty when unknown.
std::string ProgramFolder() {
  const std::string path = os::ExecutablePath();
  return path.substr(0, os::FileNameStart(path));
}

}  // namespace

namespace {

// The function of that name in the module beside the program (or in ../lib/kv3conv from it); null,
// with the reason in problem, when the module cannot be loaded or lacks the function.
void* LoadModuleFunction(const char* function, const char* what, std::string& problem) {
  const std::string folder = ProgramFolder();
  std::string tried;
  for (const std::string& candidate :
       {folder + TextModuleFile, folder + "../lib/kv3conv/" + TextModuleFile}) {
    // The module stays loaded until the process ends.
    std::string failure;
    bool loaded = false;
    void* const symbol = os::LoadModuleFunction(candidate, function, failure, &loaded);
    if (!loaded) {
      if (!tried.empty()) tried += "; ";
      tried += failure;
      continue;
    }
    if (symbol == nullptr) problem = "the module " + candidate + " has no function " + function;
    return symbol;
  }
  problem = std::string("cannot load the ") + what + " (" + tried + ")";
  return nullptr;
}

}  // namespace

std::unique_ptr<TTextMeasurer> LoadTextModule(std::string& problem) {
  void* const symbol = LoadModuleFunction(TextModuleFunction, "text-measuring module", problem);
  if (symbol == nullptr) return nullptr;
  return std::make_unique<TModuleTextMeasurer>(reinterpret_cast<TMeasureTextFunction>(symbol));
}

TDrawPageFunction LoadDrawModule(std::string& problem) {
  return reinterpret_cast<TDrawPageFunction>(
      LoadModuleFunction(DrawModuleFunction, "Qt module", problem));
}

}  // namespace kv::cli
