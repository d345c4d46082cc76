# Part of the install script (see CMakeLists.txt here): writes the launcher
# sedario-menu and the menu entry with the full paths of the prefix being
# installed to, then installs them like install(FILES) would, into DESTDIR
# and the install manifest.
#
# Set by the caller: SEDARIO_APP_ID, SEDARIO_BINDIR, SEDARIO_LAUNCHERDIR and
# SEDARIO_APPLICATIONSDIR (relative to the prefix unless absolute),
# SEDARIO_TEMPLATES (where the .in files are) and SEDARIO_STAGE (a build
# folder to write them to).

function(sedario_installed_path out dir)
    if(IS_ABSOLUTE "${dir}")
        set(${out} "${dir}" PARENT_SCOPE)
    else()
        set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
    endif()
endfunction()

# Inside double quotes, both the shell and a desktop entry's Exec key take
# these four characters literally only after a backslash.
function(sedario_escape_in_quotes out text)
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

sedario_installed_path(bindir "${SEDARIO_BINDIR}")
sedario_installed_path(launcherdir "${SEDARIO_LAUNCHERDIR}")
sedario_installed_path(applicationsdir "${SEDARIO_APPLICATIONSDIR}")

sedario_escape_in_quotes(SEDARIO_PROGRAM "${bindir}/sedario")
configure_file("${SEDARIO_TEMPLATES}/sedario-menu.in" "${SEDARIO_STAGE}/sedario-menu" @ONLY)

# The Exec key quotes a path with a space or another character it reserves;
# then, as in every string value of the entry, each backslash is doubled.
set(exec "${launcherdir}/sedario-menu")
string(REPLACE "%" "%%" exec "${exec}")
if(exec MATCHES "[ \t\n\"'\\\\><~|&;$*?#()`]")
    sedario_escape_in_quotes(exec "${exec}")
    set(exec "\"${exec}\"")
endif()
string(REPLACE "\\" "\\\\" SEDARIO_LAUNCHER_EXEC "${exec}")
configure_file("${SEDARIO_TEMPLATES}/${SEDARIO_APP_ID}.desktop.in"
    "${SEDARIO_STAGE}/${SEDARIO_APP_ID}.desktop" @ONLY)

file(INSTALL DESTINATION "${launcherdir}" TYPE PROGRAM FILES "${SEDARIO_STAGE}/sedario-menu")
file(INSTALL DESTINATION "${applicationsdir}" TYPE FILE FILES "${SEDARIO_STAGE}/${SEDARIO_APP_ID}.desktop")
