# Install and packages: the demo, its music library and its music go
# together into one folder (the demo finds the library beside itself and reads
# data.dat from where it starts), with a launcher on the PATH that starts it
# there, a desktop entry and an icon. `cpack` makes a .deb and a .tar.gz.
include(GNUInstallDirs)

set(DEMO_PACKAGE_NAME quillfen-intro)
set(DEMO_INSTALL_SUBDIR ${CMAKE_INSTALL_LIBDIR}/${DEMO_PACKAGE_NAME})

install(TARGETS demo RUNTIME DESTINATION ${DEMO_INSTALL_SUBDIR})
install(TARGETS demobass LIBRARY DESTINATION ${DEMO_INSTALL_SUBDIR})
install(FILES ${CMAKE_BINARY_DIR}/data.dat DESTINATION ${DEMO_INSTALL_SUBDIR})

file(RELATIVE_PATH DEMO_DIR_FROM_BIN /${CMAKE_INSTALL_BINDIR} /${DEMO_INSTALL_SUBDIR})
configure_file(packaging/${DEMO_PACKAGE_NAME}.in ${CMAKE_BINARY_DIR}/${DEMO_PACKAGE_NAME} @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/${DEMO_PACKAGE_NAME} DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/${DEMO_PACKAGE_NAME}.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES packaging/${DEMO_PACKAGE_NAME}.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME ${DEMO_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "Quillfen")
set(CPACK_PACKAGE_CONTACT "Quillfen <demo@quillfen.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "A little full-screen demo intro with music")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR "DEB;TGZ")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # dpkg-shlibdeps finds SDL, libsndfile, libsamplerate
# The SDL 1.2 interface over SDL 2 (what works on today's desktops), which
# also satisfies the classic libsdl1.2debian that dpkg-shlibdeps names.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl1.2-compat-shim")
include(CPack)
