# cmake --install BUILD --prefix P: the three programs to P/bin, the flock's data to
# P/share/<project>/data, where the installed flock looks for it, and the pages of docs/
# to P/share/doc/<project>.
install(TARGETS morrow tala RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(FLOCK_BUILD_APP)
  install(TARGETS flock RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${FLOCK_DATA_INSTALL_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR})
