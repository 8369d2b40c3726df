# `cpack -G DEB` (run in the build folder) makes strumwell_VERSION_ARCH.deb of
# what cmake/Install.cmake installs, under /usr. Its dependencies are the
# shared libraries the program links (dpkg-shlibdeps) and the fonts it draws
# with; its description is the AppStream one. cmake/DebianStaging.cmake adds
# what Debian asks of every package before the files are packed.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME strumwell)
set(CPACK_PACKAGE_VENDOR "Strumwell developers")
set(CPACK_PACKAGE_CONTACT "Strumwell developers <strumwell@users.noreply.github.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_HOMEPAGE_URL ${STRUMWELL_HOMEPAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${STRUMWELL_SUMMARY}")
set(CPACK_PACKAGE_DESCRIPTION "${STRUMWELL_DESCRIPTION_DEB}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Debian wants 0755 folders whatever the umask of whoever builds.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation)
# The samples hardly compress: gzip packs them about as small as xz, and far faster.
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)

# Read by the staging script, which runs inside cpack.
set(CPACK_STRUMWELL_CHANGELOG ${PROJECT_SOURCE_DIR}/packaging/changelog)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianStaging.cmake)

include(CPack)
