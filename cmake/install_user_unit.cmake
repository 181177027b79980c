# Install-time part of data/CMakeLists.txt: writes the systemd user units with the absolute
# paths the programs are installed to, and installs them. The prefix is the one the program runs from:
# the one given to cmake --install, or the package's (cpack and DESTDIR stage the files
# elsewhere, but keep the prefix).
if(IS_ABSOLUTE "${GLASSPANE_BINDIR}")
    set(GLASSPANE_PROGRAM "${GLASSPANE_BINDIR}/glasspane")
else()
    set(GLASSPANE_PROGRAM "${CMAKE_INSTALL_PREFIX}/${GLASSPANE_BINDIR}/glasspane")
endif()
cmake_path(NORMAL_PATH GLASSPANE_PROGRAM)
cmake_path(GET GLASSPANE_PROGRAM PARENT_PATH _bin)
set(GPANE_PROGRAM "${_bin}/gpane")
# Each template "NAME.in" becomes NAME; the others are installed as they are.
foreach(template IN LISTS GLASSPANE_UNIT_TEMPLATES)
    cmake_path(GET template FILENAME _name)
    string(REGEX REPLACE "\\.in$" "" _name "${_name}")
    set(_unit "${GLASSPANE_UNIT_BINARY_DIR}/${_name}")
    configure_file("${template}" "${_unit}" @ONLY)
    file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${GLASSPANE_UNIT_DIR}" TYPE FILE
         FILES "${_unit}")
endforeach()
