# vantel_license_files(<target>)
#
# The licence texts the Help menu's licence views read: copied beside the target whenever it is
# built and a text has changed (a program run from the build folder finds them there), and
# installed with the program's data, <prefix>/share/vantel-midi/ on Linux, where the views look
# first, relative to the executable's folder (<prefix>/bin/../share/vantel-midi/). Systems without
# that tree (Windows, macOS) keep them beside the program. Call it from the folder that builds the
# target.
include(GNUInstallDirs)

set(VANTEL_LICENSE_FILES
  ${CMAKE_SOURCE_DIR}/data/OpenSourceLicense.txt
  ${CMAKE_SOURCE_DIR}/data/VantelMIDILicense.txt)

function(vantel_license_files target)
  set(copies)
  foreach(file ${VANTEL_LICENSE_FILES})
    get_filename_component(name ${file} NAME)
    set(copy ${CMAKE_CURRENT_BINARY_DIR}/${name})
    add_custom_command(OUTPUT ${copy}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${copy}
      DEPENDS ${file}
      VERBATIM)
    list(APPEND copies ${copy})
  endforeach()
  add_custom_target(${target}_license_files DEPENDS ${copies})
  add_dependencies(${target} ${target}_license_files)
  if(UNIX AND NOT APPLE)
    install(FILES ${VANTEL_LICENSE_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/vantel-midi)
  else()
    install(FILES ${VANTEL_LICENSE_FILES} DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endfunction()
