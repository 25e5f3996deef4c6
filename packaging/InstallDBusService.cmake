# SPDX-License-Identifier: MIT
# Run by `cmake --install`: writes the D-Bus service file with the path the program is
# installed at, so that it follows the prefix given at install time. Expects
# STAVELIN_SERVICE_TEMPLATE, STAVELIN_BINDIR and STAVELIN_DATADIR.
foreach(dir BINDIR DATADIR)
    if(IS_ABSOLUTE "${STAVELIN_${dir}}")
        set(${dir} "${STAVELIN_${dir}}")
    else()
        set(${dir} "${CMAKE_INSTALL_PREFIX}/${STAVELIN_${dir}}")
    endif()
endforeach()
set(STAVELIN_EXECUTABLE "${BINDIR}/stavelin")
set(target "$ENV{DESTDIR}${DATADIR}/dbus-1/services/com.fennelworks.StavelinTrello.service")
message(STATUS "Installing: ${target}")
configure_file("${STAVELIN_SERVICE_TEMPLATE}" "${target}" @ONLY)
