# The Debian package, made by `cpack -G DEB` in the build folder from what `cmake --install`
# installs. Its dependencies are worked out from the binaries (dpkg-shlibdeps); the Qt
# platform plugins are added by hand, since no binary links them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brindle)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fax program for fax modems")
set(CPACK_PACKAGE_DESCRIPTION
    "Compose faxes with a rich-text cover sheet and document, send and receive them through a\n"
    "Class 1, Class 2 or Class 2.0 fax modem, and view, print and export them. Includes\n"
    "brindlefax, which sends, receives and converts faxes from the command line.")
set(CPACK_PACKAGE_CONTACT "Brindle maintainers <brindle@localhost>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_INSTALL_DIRECTORY brindle)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Only the program: the test and tool binaries carry no install rules.
include(CPack)
