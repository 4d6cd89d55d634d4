# Installation and the Debian package.
#
#   cmake --install build --prefix /usr/local
#   cd build && cpack -G DEB     # kx-panel_<version>_<arch>.deb
#
# Layout under the prefix:
#   bin/kx-panel, bin/kx-sim
#   share/doc/kx-panel/help.pdf          (the panel's Help menu looks here, from bin/)
#   share/applications/kx-panel.desktop
#   share/icons/hicolor/{24x24,48x48}/apps/kx-panel.png
include(GNUInstallDirs)

install(TARGETS kx-panel kx-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET kx-manual)
    install(FILES ${CMAKE_BINARY_DIR}/help.pdf DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kx-panel)
endif()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../resources/kx-panel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../resources/kx-panel.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/24x24/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../resources/kx-panel-48.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps RENAME kx-panel.png)

# The test of the installed layout installs this build into a temporary folder.
if(TARGET tst_install)
    target_compile_definitions(tst_install PRIVATE
        KX_CMAKE_COMMAND="${CMAKE_COMMAND}" KX_BUILD_DIR="${CMAKE_BINARY_DIR}")
    add_dependencies(tst_install kx-panel kx-sim)
    if(TARGET kx-manual)
        add_dependencies(tst_install kx-manual)
    endif()
endif()

set(CPACK_PACKAGE_NAME kx-panel)
set(CPACK_PACKAGE_VENDOR "kx-panel project")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "kx-panel project <kx-panel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Front panel for the KX12A, KX20A and KX25A function generators")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "kx-panel drives a KX12A, KX20A or KX25A function generator over an RS-232\n"
    "line: waveform, frequency, amplitude, offset, duty cycle, output, sweep,\n"
    "modulation, trigger and memory. Every entry is checked against the model's\n"
    "limits before it is sent, and the display shows what the generator answers.\n"
    "\n"
    "kx-sim, a simulated generator on a pseudo-terminal, comes with it. The\n"
    "operator's manual is /usr/share/doc/kx-panel/help.pdf (Help > See Help File).")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # kx-panel_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "kx-panel project <kx-panel@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link come from dpkg-shlibdeps (package dpkg-dev). The
# window-system plugin is loaded, not linked, so it is named here; xdg-open opens the
# manual.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
find_program(KX_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NOT KX_DPKG_SHLIBDEPS)
    # Without dpkg-dev the dependencies are named by hand.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS
        "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), libqt6serialport6 (>= 6.4), libstdc++6, libc6, qt6-qpa-plugins")
endif()
include(CPack)
