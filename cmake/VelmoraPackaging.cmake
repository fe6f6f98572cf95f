# The Debian package: both programs, the desktop entry with its icon and the AppStream metadata, made by
# `cpack` in a build folder (configure with CMAKE_INSTALL_PREFIX=/usr so that the installed files land there).
# A Windows build makes no package here: scripts/make-windows-zip.sh puts velmora-convert.exe in a zip instead.
if(WIN32)
    return()
endif()

include(GNUInstallDirs)

set(packaging "${PROJECT_SOURCE_DIR}/packaging/linux")
configure_file("${packaging}/io.velmora.Velmora.metainfo.xml.in"
               "${PROJECT_BINARY_DIR}/packaging/io.velmora.Velmora.metainfo.xml" @ONLY)
if(VELMORA_BUILD_GUI)
    install(FILES "${packaging}/velmora.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
    install(FILES "${packaging}/velmora.svg" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
    install(FILES "${PROJECT_BINARY_DIR}/packaging/io.velmora.Velmora.metainfo.xml"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
endif()
install(FILES "${PROJECT_SOURCE_DIR}/samples/EURUSD_1min_2009.txt" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/velmora/samples")

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "velmora")
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_CONTACT "Velmora maintainers <velmora@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Convert 1-minute price bars into other timeframes")
set(CPACK_PACKAGE_DESCRIPTION "Velmora reads files of 1-minute price bars and writes bars of longer timeframes. \
It holds the desktop program velmora (Qt 6) and the headless tool velmora-convert, which share one engine and \
one settings file.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # velmora_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION "misc")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://velmora.invalid/")
# The libraries the programs link (Qt 6, PCRE2, minizip, zlib, ISA-L, libstdc++) are named by dpkg-shlibdeps from the
# binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's platform plugins (the X11 and Wayland windows) are loaded at run time, so no library link names them.
if(VELMORA_BUILD_GUI)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
# The windows' Japanese texts need a font that has them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
include(CPack)
