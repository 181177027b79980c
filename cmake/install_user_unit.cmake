# Install-time part of data/CMakeLists.txt: writes the systemd user unit with the absolute path
# the program is installed to, and installs it. The prefix is the one the program runs from:
# the one given to cmake --install, or the package's (cpack and DESTDIR stage the files
# elsewhere, but keep the prefix).
if(IS_ABSOLUTE "${GLASSPANE_BINDIR}")
    set(GLASSPANE_PROGRAM "${GLASSPANE_BINDIR}/glasspane")
else()
    set(GLASSPANE_PROGRAM "${CMAKE_INSTALL_PREFIX}/${GLASSPANE_BINDIR}/glasspane")
endif()
cmake_path(NORMAL_PATH GLASSPANE_PROGRAM)
configure_file("${GLASSPANE_UNIT_TEMPLATE}" "${GLASSPANE_UNIT_FILE}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${GLASSPANE_UNIT_DIR}" TYPE FILE
     FILES "${GLASSPANE_UNIT_FILE}")
