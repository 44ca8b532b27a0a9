# The Debian package: cpack -G DEB in a build directory makes
# corvane_1.4_amd64.deb with the install layout under /usr (programs in
# /usr/games, book and configuration in /usr/share/games/corvane, the manual
# page, the xboard registrations in /usr/share/games/plugins/xboard).
# tools/build-deb.sh makes it from the profile-guided build.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "CorvaneChess team")
set(CPACK_PACKAGE_CONTACT "CorvaneChess team <corvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "chess engine for the console, xboard and UCI interfaces")
set(CPACK_PACKAGE_DESCRIPTION "CorvaneChess is a chess engine for a text console. A person plays it by
typing moves, or a graphical interface drives it over the xboard protocol
or UCI. Three programs with one, two and four search threads.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The C++ runtime and the C library, as the programs link them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xboard | polyglot")
include(CPack)
