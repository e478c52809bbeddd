# What `cmake --install <build folder> --prefix <folder>` puts below the prefix, so that the
# program appears in the desktop's menus:
#   bin/vantel-midi, bin/vantel-midi-cli
#   share/applications/vantel-midi.desktop
#   share/icons/hicolor/<size>x<size>/apps/vantel-midi.png   (drawn by tools/imagegen --app-icons)
#   share/vantel-midi/OpenSourceLicense.txt, VantelMIDILicense.txt   (cmake/VantelLicenseFiles.cmake)
include(GNUInstallDirs)

install(TARGETS vantel-midi vantel-midi-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/data/vantel-midi.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
