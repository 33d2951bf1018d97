# The Debian package: `cpack -G DEB` in the build folder makes kernwick_VERSION_ARCH.deb with the layout
# of `cmake --install` under /usr. Library dependencies are computed by dpkg-shlibdeps from the programs;
# only what no program links against is named here.
set(CPACK_PACKAGE_NAME kernwick)
set(CPACK_PACKAGE_VENDOR "The Kernwick developers")
set(CPACK_PACKAGE_CONTACT "Kernwick developers <developers@kernwick.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "collect the fonts of a presentation for the machine that shows it")
set(CPACK_PACKAGE_DESCRIPTION [=[
A talk built on one computer and shown on another loses its fonts: text is set
in substitutes, lines wrap anew and glyphs go missing. Kernwick reads a
PowerPoint (.pptx, .ppt) or Keynote presentation, finds every font it uses and
tells for each whether it is a system font, installed on this machine, a
licensed Adobe font that must not be copied, or missing. It then builds a
handoff folder for the AV team: a copy of the presentation, the installed font
files and a plain-text font report. Everything stays on the machine.
.
The package holds the desktop application and kernwick-check, which does the
same from the command line for scripts.]=])
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform integration as a plugin, which no program links against.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Nor libgsf, which the programs load only when a legacy .ppt is read: its package is named here.
if(KERNWICK_GSF_PATH)
    # The library the programs load, by its SONAME: the unversioned name belongs to the -dev package.
    get_filename_component(gsfDirectory ${KERNWICK_GSF_PATH} DIRECTORY)
    execute_process(COMMAND dpkg-query -S ${gsfDirectory}/${KERNWICK_GSF_SONAME} OUTPUT_VARIABLE gsfOwner
                    ERROR_QUIET)
    string(REGEX MATCH "^[^:,]+" gsfPackage "${gsfOwner}")
    if(gsfPackage)
        string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ${gsfPackage}")
    endif()
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-desktop-portal")

# What every Debian package carries in its documentation folder.
set(KERNWICK_PACKAGE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/kernwick)
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
    COMMAND sh -c "gzip -9 -n -c \"$1\" > \"$2\"" sh ${PROJECT_SOURCE_DIR}/data/changelog
            ${CMAKE_BINARY_DIR}/changelog.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/data/changelog
    VERBATIM)
add_custom_target(kernwick_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${KERNWICK_PACKAGE_DOCDIR}
        RENAME changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright DESTINATION ${KERNWICK_PACKAGE_DOCDIR})

include(CPack)
