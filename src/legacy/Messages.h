// The report library's numbered messages (ids 53000 and up), looked up by id. The texts are built
// in; a localisation callback (a conversion context's MessageLocalizer), when given, is asked first
// and wins when it answers with a text that is not empty.
#pragma once

#include <functional>
#include <string>

namespace kv {

// The message with that id; an empty text for an unknown id. At most 1023 characters.
std::string MessageText(int id, const std::function<std::string(int id)>& localizer = {});

}  // namespace kv
