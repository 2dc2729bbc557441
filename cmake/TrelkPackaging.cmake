# What the packages hold and how CPack names them (scripts/package.sh drives it).
#   Windows builds: Trelk-VERSION-win32.zip / -win64.zip, one folder with both programs, the help,
#                   a short README.txt and LICENSE.txt.
#   Elsewhere:      trelk-cli_VERSION_ARCH.deb and trelk-cli-VERSION-SYSTEM-ARCH.tar.gz with the
#                   console program, its man page, the HTML help and the copyright.
set(TRELK_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(TRELK_PACKAGE_STAGE ${CMAKE_BINARY_DIR}/package-files)
set(TRELK_CONTACT "Halvorn <support@halvorn.example>")

set(CPACK_PACKAGE_VENDOR "Halvorn")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TRELK_CONTACT})
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.halvorn.example")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Bill-of-materials roll-up for Pro/E assemblies")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
  # Windows readers expect CR LF.
  configure_file(${TRELK_PACKAGING_DIR}/README.txt.in ${TRELK_PACKAGE_STAGE}/README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${TRELK_PACKAGE_STAGE}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${TRELK_PACKAGE_STAGE}/README.txt ${TRELK_PACKAGE_STAGE}/LICENSE.txt DESTINATION .)

  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(bits win64)
  else()
    set(bits win32)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME Trelk)
  set(CPACK_PACKAGE_FILE_NAME Trelk-${PROJECT_VERSION}-${bits})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(doc share/doc/trelk-cli)

  # The copyright in Debian's machine-readable form, with the licence text of LICENSE.
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
  string(REGEX REPLACE "^.*Copyright \\(c\\) ([^\n]*)\n\n" "" terms "${licence}")
  string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" holder "${licence}")
  set(holder "${CMAKE_MATCH_1}")
  string(REGEX REPLACE "\n+$" "" terms "${terms}")
  string(REPLACE "\n\n" "\n.\n" terms "${terms}")
  string(REPLACE "\n" "\n " terms "${terms}")
  file(WRITE ${TRELK_PACKAGE_STAGE}/copyright
       "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
       "Upstream-Name: Trelk\n"
       "Upstream-Contact: ${TRELK_CONTACT}\n"
       "Source: ${CPACK_PACKAGE_HOMEPAGE_URL}\n\n"
       "Files: *\n"
       "Copyright: ${holder}\n"
       "License: Expat\n"
       " ${terms}\n")
  install(FILES ${TRELK_PACKAGE_STAGE}/copyright DESTINATION ${doc})

  # Debian wants the changelog and the man page compressed, without a time stamp in the header.
  find_program(TRELK_GZIP gzip REQUIRED)
  configure_file(${TRELK_PACKAGING_DIR}/changelog ${TRELK_PACKAGE_STAGE}/changelog @ONLY)
  add_custom_command(
    OUTPUT ${TRELK_PACKAGE_STAGE}/changelog.gz
    COMMAND ${TRELK_GZIP} -9nkf ${TRELK_PACKAGE_STAGE}/changelog
    DEPENDS ${TRELK_PACKAGE_STAGE}/changelog
    VERBATIM)
  find_program(TRELK_HELP2MAN help2man)
  set(man_outputs ${TRELK_PACKAGE_STAGE}/changelog.gz)
  # The man page is what trelk-cli --help says; a sanitized trelk-cli is no program to release.
  if(TRELK_HELP2MAN AND NOT CMAKE_CROSSCOMPILING AND NOT TRELK_SANITIZE)
    set(man ${TRELK_PACKAGE_STAGE}/trelk-cli.1)
    add_custom_command(
      OUTPUT ${man}.gz
      COMMAND ${TRELK_HELP2MAN} --no-info --section=1 --name=${CPACK_PACKAGE_DESCRIPTION_SUMMARY}
              --output=${man} $<TARGET_FILE:trelk-cli>
      COMMAND ${TRELK_GZIP} -9nf ${man}
      DEPENDS trelk-cli
      COMMENT "Writing the man page of trelk-cli"
      VERBATIM)
    list(APPEND man_outputs ${man}.gz)
    install(FILES ${man}.gz DESTINATION share/man/man1)
  endif()
  add_custom_target(trelk_package_files ALL DEPENDS ${man_outputs})
  install(FILES ${TRELK_PACKAGE_STAGE}/changelog.gz DESTINATION ${doc})

  set(CPACK_GENERATOR "DEB;TGZ")
  set(CPACK_PACKAGE_NAME trelk-cli)
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" system)
  set(CPACK_PACKAGE_FILE_NAME trelk-cli-${PROJECT_VERSION}-${system})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_NAME trelk-cli)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The synopsis is the summary above; this is the extended part, in lines of at most 80.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "trelk-cli reads the bill-of-materials text file that the Pro/E CAD system\n"
      "exports for an assembly, multiplies the quantities out through the whole\n"
      "assembly tree, lists where every part and sub-assembly is used and writes a\n"
      "plain-text report. It is the console program of Trelk.")
  string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
  # The Debian package installs below /usr; the archive keeps its paths relative.
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/TrelkCPackOptions.cmake)
  file(WRITE ${CPACK_PROJECT_CONFIG_FILE}
       "if(CPACK_GENERATOR STREQUAL \"DEB\")\n  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)\nendif()\n")
endif()

include(CPack)
