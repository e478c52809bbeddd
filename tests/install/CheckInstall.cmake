# cmake -DBUILD_DIR=<build> -DSOURCE_DIR=<source> -DPREFIX=<empty folder to be> -P CheckInstall.cmake
cmake_minimum_required(VERSION 3.16)
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

# The licence texts with the program's data, where the Help views look from bin/ (../share/vantel-midi/),
# and nothing but the programs in bin/.
set(expected bin/vantel-midi bin/vantel-midi-cli share/vantel-midi/OpenSourceLicense.txt share/vantel-midi/VantelMIDILicense.txt
    share/applications/vantel-midi.desktop)
foreach(size 16 22 24 32 48 64 128 256)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/vantel-midi.png)
endforeach()
foreach(path IN LISTS expected)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "missing after install: ${path}")
  endif()
endforeach()
if(NOT IS_DIRECTORY "${PREFIX}/bin" OR IS_DIRECTORY "${PREFIX}/bin/vantel-midi")
  message(FATAL_ERROR "bin/vantel-midi is not a program")
endif()
file(GLOB in_bin RELATIVE "${PREFIX}/bin" "${PREFIX}/bin/*")
list(SORT in_bin)
if(NOT in_bin STREQUAL "vantel-midi;vantel-midi-cli")
  message(FATAL_ERROR "bin/ holds more than the programs: ${in_bin}")
endif()

# The command-line program needs no display and no widget library: Qt Core only.
find_program(READELF readelf)
if(READELF)
  execute_process(COMMAND "${READELF}" -d "${PREFIX}/bin/vantel-midi-cli" OUTPUT_VARIABLE dynamic RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT dynamic MATCHES "libQt5Core" OR dynamic MATCHES "libQt5(Gui|Widgets)")
    message(FATAL_ERROR "vantel-midi-cli should need Qt Core and no Gui or Widgets library:\n${dynamic}")
  endif()
endif()

# The menu entry starts the installed program by name and shows the installed icon.
file(STRINGS "${PREFIX}/share/applications/vantel-midi.desktop" entry)
foreach(line "Exec=vantel-midi %f" "Icon=vantel-midi" "Type=Application")
  if(NOT line IN_LIST entry)
    message(FATAL_ERROR "the .desktop entry lacks \"${line}\"")
  endif()
endforeach()
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${PREFIX}/share/applications/vantel-midi.desktop"
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate:\n${output}")
  endif()
else()
  message(STATUS "desktop-file-validate not found; the .desktop entry was checked by its lines only")
endif()
file(REMOVE_RECURSE "${PREFIX}")
