// The platform layer may include the system's headers.
#include <dirent.h>
#include <sys/stat.h>
