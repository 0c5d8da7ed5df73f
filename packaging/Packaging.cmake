# What an installed system gets besides the programs (manual pages, bash completion, the
# documentation and the example table), and the Debian package made of it by CPack
# (make package). Paths are relative to the install prefix, /usr in the package.
set(KV_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(KV_DOC_DIR share/doc/kv3conv)

# The manual page of kv3conv is written from its own help texts, so it never falls behind the
# program. It needs help2man and a kv3conv that runs here: none is written for a cross-built or
# instrumented program.
find_program(KV_HELP2MAN help2man)
if(KV_HELP2MAN AND NOT CMAKE_CROSSCOMPILING AND NOT KV_SANITIZE AND NOT KV_TSAN AND NOT KV_FUZZ)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/kv3conv.1.gz
    COMMAND bash ${KV_PACKAGING_DIR}/manpage.sh $<TARGET_FILE:kv3conv>
            ${CMAKE_BINARY_DIR}/kv3conv.1.gz
    DEPENDS kv3conv ${KV_PACKAGING_DIR}/manpage.sh ${KV_PACKAGING_DIR}/kv3conv.h2m
    COMMENT "Writing the manual page of kv3conv"
    VERBATIM)
  set(KV_PACKAGE_FILES ${CMAKE_BINARY_DIR}/kv3conv.1.gz)
  install(FILES ${CMAKE_BINARY_DIR}/kv3conv.1.gz DESTINATION share/man/man1)
endif()

# Manual pages and the Debian changelog are installed compressed, as Debian's tools expect.
function(kv_gzip source output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${source} ${output}
    DEPENDS ${source}
    VERBATIM)
endfunction()
kv_gzip(${KV_PACKAGING_DIR}/changelog ${CMAKE_BINARY_DIR}/changelog.gz)
list(APPEND KV_PACKAGE_FILES ${CMAKE_BINARY_DIR}/changelog.gz)

install(FILES ${CMAKE_BINARY_DIR}/changelog.gz ${KV_PACKAGING_DIR}/copyright
              ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${KV_DOC_DIR})
install(FILES ${KV_PACKAGING_DIR}/kv3conv.bash-completion
        DESTINATION share/bash-completion/completions RENAME kv3conv)
# The example table and the project it converts, to try a run on.
install(FILES ${PROJECT_SOURCE_DIR}/examples/kv25x.dat DESTINATION ${KV_DOC_DIR}/examples)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/project DESTINATION ${KV_DOC_DIR}/examples)
if(KV_BUILD_GUI)
  kv_gzip(${KV_PACKAGING_DIR}/kv3converter.1 ${CMAKE_BINARY_DIR}/kv3converter.1.gz)
  list(APPEND KV_PACKAGE_FILES ${CMAKE_BINARY_DIR}/kv3converter.1.gz)
  install(FILES ${CMAKE_BINARY_DIR}/kv3converter.1.gz DESTINATION share/man/man1)
endif()
add_custom_target(kv_package_files ALL DEPENDS ${KV_PACKAGE_FILES})

# The Debian package: both programs in one package, its dependencies found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kv3conv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "kv3conv developers")
set(CPACK_PACKAGE_CONTACT "kv3conv developers <kv3conv@example.com>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "migrate Kolvex 2.5 projects and report files to Kolvex 3")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "kv3conv moves projects built on the Kolvex 2.5 report library to Kolvex 3.\n"
    "Source migration applies an ordered find/replace table to the Pascal files of\n"
    "a project (keeping a backup of each changed file, with an undo of the last\n"
    "run); binary form files are turned into their text form; legacy report files\n"
    "(.kvf) are converted into new XML report documents (.kv3).\n"
    "\n"
    "The package holds the command-line program kv3conv and the desktop program\n"
    "kv3converter (Qt 6).")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not found by dpkg-shlibdeps: the fonts that stand in for the usual Windows faces with the same
# metrics, so that labels with automatic size measure as on any other machine. (Qt's platform
# plugins, the window's and the offscreen one of kv3conv's module, come with Qt's Gui library.)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_STRIP_FILES ON)
# make package builds the targets the package holds and nothing else: the package is made
# without building everything first (the tests, the build tools), as installing would.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
