# The Debian package, made by CPack from the install rules: `cmake --build build --target
# package`, or scripts/package.sh, which also checks the result.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glyphforge)
set(CPACK_PACKAGE_VENDOR "The Glyphforge developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Glyphforge turns pictures (BMP, JPEG, PNG, GIF, WMF) into icon files. It loads icon and
cursor files and the icons of Windows executables and libraries, edits size, transparency,
pixels, alpha and colour depth, and saves ICO, PNG and BMP files. glyphforge-cli runs the same
pipeline without windows, lists icons as JSON and makes thumbnails for file managers.")
set(CPACK_PACKAGE_HOMEPAGE_URL "${PROJECT_HOMEPAGE_URL}")
set(CPACK_PACKAGE_CONTACT "The Glyphforge developers <packages@glyphforge.org>" CACHE STRING
    "Maintainer of the Debian package")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # glyphforge_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Shared libraries are found by dpkg-shlibdeps; Qt's platform plugins are loaded at run time,
# so no library link names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(GF_BUILD_GUI)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()

include(CPack)
