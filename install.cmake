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
