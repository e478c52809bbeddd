# vantel_license_files(<target>)
#
# The licence texts the Help menu's licence views read from the program's own folder: copied
# beside the target whenever it is built and a text has changed (so a program run from the build
# folder finds them), and installed beside it. Call it from the folder that builds the target.
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
  install(FILES ${VANTEL_LICENSE_FILES} DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
