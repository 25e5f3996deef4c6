# SPDX-License-Identifier: MIT
# Installs the build into a scratch prefix, as `cmake --install` would on a live system, and
# checks what a desktop needs to hand a stavelin: URL over D-Bus: the entry, the D-Bus service
# file naming the installed binary under that prefix, the index of scheme handlers, and the
# icons. The installed program answers --help and --version without a display.
# Expects BUILD_DIR and SCRATCH.
file(REMOVE_RECURSE "${SCRATCH}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${SCRATCH}"
    RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
    message(FATAL_ERROR "cmake --install failed")
endif()
set(id com.fennelworks.StavelinTrello)
file(READ "${SCRATCH}/share/applications/${id}.desktop" entry)
file(READ "${SCRATCH}/share/dbus-1/services/${id}.service" service)
if(NOT entry MATCHES "\nDBusActivatable=true\n")
    message(FATAL_ERROR "the installed entry is not D-Bus activatable")
endif()
if(NOT service MATCHES "\nName=${id}\nExec=${SCRATCH}/bin/stavelin\n")
    message(FATAL_ERROR "the service file does not start the installed program:\n${service}")
endif()
# The tray bar's and the desktop's monochrome form of the icon, beside the full-colour one.
foreach(icon scalable/apps/${id}.svg symbolic/apps/${id}-symbolic.svg)
    if(NOT EXISTS "${SCRATCH}/share/icons/hicolor/${icon}")
        message(FATAL_ERROR "the icon ${icon} is not installed")
    endif()
endforeach()
find_program(update_desktop_database update-desktop-database)
if(update_desktop_database)
    file(READ "${SCRATCH}/share/applications/mimeinfo.cache" index)
    if(NOT index MATCHES "x-scheme-handler/stavelin=${id}.desktop;")
        message(FATAL_ERROR "the scheme handler is not indexed:\n${index}")
    endif()
endif()
foreach(option --help --version)
    set(expected Stavelin)
    if(option STREQUAL "--help")
        set(expected "--demo-seed <name>")
    endif()
    execute_process(COMMAND "${CMAKE_COMMAND}" -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
            --unset=QT_QPA_PLATFORM "${SCRATCH}/bin/stavelin" ${option}
        RESULT_VARIABLE failed OUTPUT_VARIABLE answer ERROR_VARIABLE complaint)
    string(FIND "${answer}" "${expected}" found)
    if(failed OR found EQUAL -1)
        message(FATAL_ERROR "stavelin ${option} without a display: ${failed}\n${answer}${complaint}")
    endif()
endforeach()
file(REMOVE_RECURSE "${SCRATCH}")
