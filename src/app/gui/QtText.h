// Crossing between the workbench's byte strings and Qt's text: model texts are in the code page of
// the window's conversion context, file paths are the operating system's bytes, and messages may
// hold both.
#pragma once

#include <QString>
#include <string>

namespace kv::gui {

// A model text (in codePage) as Qt text, and back.
QString ToQt(const std::string& text, int codePage);
std::string FromQt(const QString& text, int codePage);

// A file path (OS bytes) as Qt text, and back.
QString PathToQt(const std::string& path);
std::string PathFromQt(const QString& path);

// A message for a message box. Messages of the model mix code-page text with file paths; a message
// that is valid UTF-8 is taken as such (so a path in it stays readable), any other one is read in
// the code page.
QString MessageToQt(const std::string& text, int codePage);

}  // namespace kv::gui
