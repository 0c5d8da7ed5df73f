// Label text measured through the text-measuring module (see TextModuleAbi.h), loaded when a
// report command starts.
#pragma once

#include <memory>
#include <string>

#include "cli/TextModuleAbi.h"
#include "dialogs/TextMeasurer.h"

namespace kv::cli {

// The measurer of the module beside the program (or in ../lib/kv3conv from it); none, with the
// reason in problem, when it cannot be loaded.
std::unique_ptr<TTextMeasurer> LoadTextModule(std::string& problem);

// The page-drawing function of the same module; null, with the reason in problem, when it cannot
// be loaded.
TDrawPageFunction LoadDrawModule(std::string& problem);

}  // namespace kv::cli
