# CPack: a Debian package and a .tar.gz of the installed tree. `cpack --preset package` after building
# the "package" preset. The version is the project's.
set(CPACK_PACKAGE_NAME yarvelin)
set(CPACK_PACKAGE_VENDOR "Yarvelin developers")
set(CPACK_PACKAGE_CONTACT "${YARVELIN_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "product data feed wizard for the Quorvin shopping search")
# Debian shows the description as written: lines kept under 80 columns by hand.
set(CPACK_PACKAGE_DESCRIPTION
    "Yarvelin builds, checks, saves and uploads the product data feed that an\n\
online shop sends to the Quorvin shopping-search service. A four-step wizard\n\
walks the merchant through it: start or open a feed, edit and check the\n\
product list, write the feed file, and upload it by FTP.\n\
.\n\
The command-line companion yarvelin-feed does the same work in scripts.")
set(CPACK_PACKAGE_HOMEPAGE_URL "${PROJECT_HOMEPAGE_URL}")
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)

# The .tar.gz unpacks to yarvelin-VERSION-Linux/{bin,share}; the programs find their data relative
# to themselves, so it runs from wherever it is unpacked.
set(CPACK_PACKAGE_FILE_NAME "yarvelin-${PROJECT_VERSION}-Linux")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${YARVELIN_MAINTAINER}")
# Dependencies come from the libraries the programs link (Debian's libqt6gui6 also carries the X11 and
# offscreen platform plugins the wizard loads at run time).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Native windows on a Wayland desktop instead of XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
