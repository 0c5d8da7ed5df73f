// A source outside the platform layer that includes headers of the system: the check names lines
// 4, 5 and 7, and no other (clang-format is kept off, so that the lines stay where they are).
// clang-format off
#include <dirent.h>
#  include "sys/stat.h"
#include "platform/Folder.h"
#include <Windows.h>
#include <string>
