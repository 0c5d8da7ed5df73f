// The terminal: whether the standard streams reach a person, and what they are.
#pragma once

namespace kv::os {

enum class TStandardStream { Input = 0, Output = 1, Error = 2 };

// True when the stream is a terminal (a console window on Windows).
bool IsTerminal(TStandardStream stream);
// True when standard output and standard error are one file or pipe (or when it cannot be told).
bool OutputAndErrorShareAFile();
// Makes what the program writes reach the terminal as UTF-8 (on Windows, sets the console's
// output code page; nothing to do on Linux).
void UseUtf8Console();

}  // namespace kv::os
