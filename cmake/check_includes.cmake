# Fails when a source file includes a header of a layer its library must not see.
#   cmake -DRULES=<file> [-DSTAMP=<file>] -P check_includes.cmake
# RULES sets LAYER (the library's name), SOURCES (the files) and FORBIDDEN (regular
# expressions, each matched against the path of every #include "..."); glasspane_layer() in
# CMakeLists.txt writes it. CHECK_FILES, when given, are read in place of SOURCES. STAMP is
# touched when every file passes.
include(${RULES})
if(DEFINED CHECK_FILES)
    set(SOURCES ${CHECK_FILES})
endif()
set(_problems)
foreach(_file IN LISTS SOURCES)
    file(STRINGS ${_file} _includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(_line IN LISTS _includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" _header "${_line}")
        foreach(_pattern IN LISTS FORBIDDEN)
            if(_header MATCHES "${_pattern}")
                list(APPEND _problems "${_file} includes ${_header}")
            endif()
        endforeach()
    endforeach()
endforeach()
if(_problems)
    list(JOIN _problems "\n  " _text)
    message(FATAL_ERROR "${LAYER} may not include these headers (see Architecture in README.md):\n  ${_text}")
endif()
if(STAMP)
    file(TOUCH ${STAMP})
endif()
