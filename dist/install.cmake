# Installation in the layout of the Debian game and engine packages, under
# any prefix (cmake --install build --prefix P; /usr/local by default):
#
#   P/games/corvane4, corvane2, corvane1, corvane-tool, corvane-xboard
#   P/share/games/corvane/Corvanebook.txt, Corvaconfig.ini
#   P/share/man/man6/corvane.6
#   P/share/games/plugins/xboard/corvane4.eng, corvane2.eng, corvane1.eng
#
# The launcher and the registration files name absolute paths, so they are
# written at install time, for the prefix given then.
set(corvane_games_dir games)
set(corvane_data_dir share/games/corvane)
set(corvane_plugin_dir share/games/plugins/xboard)

install(TARGETS corvane4 corvane2 corvane1 corvane-tool
        RUNTIME DESTINATION ${corvane_games_dir})
install(FILES ${CMAKE_SOURCE_DIR}/book/Corvanebook.txt ${CMAKE_SOURCE_DIR}/dist/Corvaconfig.ini
        DESTINATION ${corvane_data_dir})
install(FILES ${CMAKE_SOURCE_DIR}/dist/corvane.6 DESTINATION share/man/man6)

install(CODE "
  set(CORVANE_GAMES_DIR \"\${CMAKE_INSTALL_PREFIX}/${corvane_games_dir}\")
  set(CORVANE_DATA_DIR \"\${CMAKE_INSTALL_PREFIX}/${corvane_data_dir}\")
  set(corvane_generated \"${CMAKE_BINARY_DIR}/dist-generated\")
  configure_file(\"${CMAKE_SOURCE_DIR}/dist/corvane-xboard.in\"
                 \"\${corvane_generated}/corvane-xboard\" @ONLY)
  file(INSTALL \"\${corvane_generated}/corvane-xboard\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${corvane_games_dir}\"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                        GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  foreach(CORVANE_COPIES 4 2 1)
    configure_file(\"${CMAKE_SOURCE_DIR}/dist/corvane.eng.in\"
                   \"\${corvane_generated}/corvane\${CORVANE_COPIES}.eng\" @ONLY)
    file(INSTALL \"\${corvane_generated}/corvane\${CORVANE_COPIES}.eng\"
         DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${corvane_plugin_dir}\")
  endforeach()
")
