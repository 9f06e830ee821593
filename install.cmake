# `cmake --install build --prefix DIR` lays out a self-contained folder: the program and its help files
# at the top (it keeps Tolvane.ini beside itself, so DIR must be a folder the user can write), the
# simulators under bin/, a desktop entry and its icon under share/.
install(TARGETS tolvane RUNTIME DESTINATION .)
install(FILES ${TOLVANE_HELP_FILES} DESTINATION .)
install(TARGETS rotator-sim teskarn-feed arswin-standin tolvane-bridge RUNTIME DESTINATION bin)
# Tolvane starts the feed by its service name, Teskarn, when nobody publishes it.
install(PROGRAMS $<TARGET_FILE:teskarn-feed> DESTINATION bin RENAME Teskarn)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/tolvane.svg DESTINATION share/icons/hicolor/scalable/apps)
install(CODE "set(TOLVANE_DESKTOP_TEMPLATE \"${CMAKE_CURRENT_SOURCE_DIR}/packaging/tolvane.desktop.in\")")
# The entry names the installed folder itself: the program is not on PATH and needs no wrapper.
install(CODE [[
    set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
    file(REAL_PATH "${CMAKE_INSTALL_PREFIX}" installed)
    set(TOLVANE_PROGRAM "${installed}/tolvane")
    set(TOLVANE_FOLDER "${installed}")
    set(TOLVANE_ICON "${installed}/share/icons/hicolor/scalable/apps/tolvane.svg")
    file(READ "${TOLVANE_DESKTOP_TEMPLATE}" desktop_template)
    string(CONFIGURE "${desktop_template}" desktop_entry @ONLY)
    file(WRITE "${folder}/share/applications/tolvane.desktop" "${desktop_entry}")
    message(STATUS "Installing: ${folder}/share/applications/tolvane.desktop")
]])

# `cmake --install build --component deb --prefix /usr` lays out the Debian package instead: the programs
# and help files in lib/tolvane/, commands on PATH in bin/ (tolvane starts the program with the user's
# data folder), man pages, desktop entry, icon, AppStream file and the bridge's systemd user unit.
# The simulated feed stays in lib/tolvane/, off PATH, where a real Teskarn may be installed.
install(TARGETS tolvane tolvane-bridge rotator-sim teskarn-feed RUNTIME DESTINATION lib/tolvane
    COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${TOLVANE_HELP_FILES} DESTINATION lib/tolvane COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/tolvane.svg DESTINATION share/icons/hicolor/scalable/apps
    COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/org.example.tolvane.Tolvane.metainfo.xml
    DESTINATION share/metainfo COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/tolvane-bridge.service DESTINATION lib/systemd/user
    COMPONENT deb EXCLUDE_FROM_ALL)
foreach(page ${TOLVANE_MAN_PAGES})
    install(FILES ${page}.gz DESTINATION share/man/man1 COMPONENT deb EXCLUDE_FROM_ALL)
endforeach()
install(CODE "set(TOLVANE_PACKAGING_DIR \"${CMAKE_CURRENT_SOURCE_DIR}/packaging\")" COMPONENT deb EXCLUDE_FROM_ALL)
install(CODE [[
    set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
    # The commands name the installed program, so it finds its help files beside itself.
    set(TOLVANE_PROGRAM "${CMAKE_INSTALL_PREFIX}/lib/tolvane/tolvane")
    file(READ "${TOLVANE_PACKAGING_DIR}/tolvane.in" launcher)
    string(CONFIGURE "${launcher}" launcher @ONLY)
    file(WRITE "${root}/bin/tolvane" "${launcher}")
    file(CHMOD "${root}/bin/tolvane" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
        WORLD_READ WORLD_EXECUTE)
    foreach(tool tolvane-bridge rotator-sim)
        file(CREATE_LINK "../lib/tolvane/${tool}" "${root}/bin/${tool}" SYMBOLIC)
    endforeach()
    # On PATH, with the icon from the theme and no folder of its own: the command chooses the data folder.
    set(TOLVANE_PROGRAM "tolvane")
    set(TOLVANE_ICON "tolvane")
    file(READ "${TOLVANE_PACKAGING_DIR}/tolvane.desktop.in" desktop_template)
    string(REGEX REPLACE "Path=[^\n]*\n" "" desktop_template "${desktop_template}")
    string(CONFIGURE "${desktop_template}" desktop_entry @ONLY)
    file(WRITE "${root}/share/applications/tolvane.desktop" "${desktop_entry}")
    message(STATUS "Installing: ${root}/bin/tolvane, its links and ${root}/share/applications/tolvane.desktop")
]] COMPONENT deb EXCLUDE_FROM_ALL)
