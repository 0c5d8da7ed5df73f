# Fails, naming each file and line, when a source under SOURCE_DIR outside SOURCE_DIR/platform
# includes a header of the operating system: only the platform layer talks to the system, so that
# everything else builds alike for POSIX and for Windows.
#   cmake -DSOURCE_DIR=<folder of the sources> -P CheckSystemHeaders.cmake
if(NOT SOURCE_DIR OR NOT IS_DIRECTORY "${SOURCE_DIR}")
  message(FATAL_ERROR "CheckSystemHeaders: SOURCE_DIR names no folder (\"${SOURCE_DIR}\")")
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
get_filename_component(shown_root "${SOURCE_DIR}" DIRECTORY)

# Headers of POSIX systems and of Windows, in lower case (Windows names them in any case). A name
# that ends in "/" stands for every header in that folder.
set(system_headers
  unistd.h fcntl.h dirent.h signal.h csignal iconv.h dlfcn.h pwd.h grp.h poll.h spawn.h
  termios.h pthread.h sched.h semaphore.h netdb.h syslog.h utime.h glob.h fnmatch.h ftw.h
  libgen.h langinfo.h mntent.h execinfo.h wordexp.h
  sys/ arpa/ netinet/ net/ linux/ asm/
  windows.h winbase.h windef.h winnt.h winuser.h winerror.h winternl.h winioctl.h winsock.h
  winsock2.h ws2tcpip.h io.h direct.h process.h conio.h shlobj.h shellapi.h shlwapi.h
  knownfolders.h fileapi.h handleapi.h processenv.h processthreadsapi.h consoleapi.h
  libloaderapi.h stringapiset.h synchapi.h tlhelp32.h psapi.h aclapi.h sddl.h)

set(include_regex "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
file(GLOB_RECURSE sources LIST_DIRECTORIES false
  "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.hpp" "${SOURCE_DIR}/*.c" "${SOURCE_DIR}/*.cc"
  "${SOURCE_DIR}/*.cpp" "${SOURCE_DIR}/*.inc")
list(SORT sources)
set(found 0)
foreach(source IN LISTS sources)
  string(FIND "${source}" "${SOURCE_DIR}/platform/" at)
  if(at EQUAL 0)
    continue()
  endif()
  file(READ "${source}" content)
  # Quick look first: most files include nothing of the kind.
  if(NOT content MATCHES "#[ \t]*include")
    continue()
  endif()
  # One list item per line: the characters a CMake list treats specially are made harmless.
  string(REPLACE "\\" "/" content "${content}")
  string(REPLACE ";" "," content "${content}")
  string(REPLACE "[" "(" content "${content}")
  string(REPLACE "]" ")" content "${content}")
  string(REPLACE "\n" ";" lines "${content}")
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    if(NOT line MATCHES "${include_regex}")
      continue()
    endif()
    set(included "${CMAKE_MATCH_1}")
    string(TOLOWER "${included}" header)
    foreach(system_header IN LISTS system_headers)
      string(FIND "${header}" "${system_header}" at)
      if(header STREQUAL system_header OR (system_header MATCHES "/$" AND at EQUAL 0))
        file(RELATIVE_PATH shown "${shown_root}" "${source}")
        message("${shown}:${number}: includes <${included}>, a header of the operating system; "
                "only src/platform may include one (use the platform layer's interface)")
        math(EXPR found "${found} + 1")
        break()
      endif()
    endforeach()
  endforeach()
endforeach()
if(found GREATER 0)
  message(FATAL_ERROR "${found} include(s) of system headers outside src/platform")
endif()
