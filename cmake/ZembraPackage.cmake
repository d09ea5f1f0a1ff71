# The Debian package: one package with both programs, the plug-in in its
# private folder and everything packaging/ installs. Built from a release
# build: `cmake --build --preset release --target package`.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "zembra")
set(CPACK_PACKAGE_VENDOR "The Zembra developers")
set(CPACK_PACKAGE_CONTACT "${ZEMBRA_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
# Leaves the package alone in the build folder; CPack's scratch stays in _CPack_Packages.
set(CPACK_OUTPUT_FILE_PREFIX "${CMAKE_BINARY_DIR}")

set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")  # zembra_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
# Depends is worked out from the libraries the binaries link (dpkg-shlibdeps);
# the song type and menu entry are registered by the Debian triggers of
# shared-mime-info and desktop-file-utils, so no maintainer scripts are needed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
# The long description; CPack puts the summary before it and an empty line
# becomes the paragraph break Debian writes as " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Zembra turns a folder of VAG samples (PlayStation ADPCM) into a song for a
handheld music-making game. Drag samples onto sixteen tracks, name the
tracks, the pages, the song and its artist, type a tempo and create the
song: Zembra writes the .bjs song and the compressed archive the game loads.

The package holds the window program zembra, its compression plug-in, and
zembra-cli, which builds songs from a JSON description and looks inside
songs and archives, for batches and scripts.")

include(CPack)
