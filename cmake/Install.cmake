# Installation and the Debian package.
#
#   cmake --install build --prefix /usr/local
#   cd build && cpack -G DEB     # kx-panel_<version>_<arch>.deb
#   scripts/check-package build  # lintian, appstreamcli and desktop-file-validate on it
#
# Layout under the prefix:
#   bin/kx-panel, bin/kx-sim, bin/kx-ctl, bin/kx-server
#   share/kx-panel/help.pdf                    (the panel's Help menu looks here, from bin/)
#   share/doc/kx-panel/help.pdf                -> ../../kx-panel/help.pdf
#   share/doc/kx-panel/copyright, changelog.gz
#   share/lintian/overrides/kx-panel
#   share/man/man1/kx-panel.1.gz, kx-sim.1.gz, kx-ctl.1.gz, kx-server.1.gz
#   share/applications/kx-panel.desktop
#   share/metainfo/org.example.kx_panel.metainfo.xml
#   share/icons/hicolor/{24x24,48x48}/apps/kx-panel.png
include(GNUInstallDirs)

set(KX_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR}/../packaging)
set(KX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kx-panel)

install(TARGETS kx-panel kx-sim kx-ctl kx-server RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (the package's) also drops the compiler's version notes, as Debian's
# own stripping does.
if(CMAKE_STRIP)
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            foreach(program kx-panel kx-sim kx-ctl kx-server)
                execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\"
                    COMMAND_ERROR_IS_FATAL ANY)
            endforeach()
        endif()")
endif()

# The installed programs are hardened as Debian builds its own (dpkg-buildflags): checked
# versions of the C library's buffer functions where the optimiser runs (the checks need
# it), and every symbol bound at start so the relocations can be read-only. The sanitizer
# build leaves them out: they hide calls from AddressSanitizer.
if(NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
    foreach(target kxpanel kxsim kx_link kx_state kx_ctl kx_share kx_server
                   kx-panel kx-sim kx-ctl kx-server)
        target_compile_definitions(${target} PRIVATE
            $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
    endforeach()
    target_link_options(kx-panel PRIVATE LINKER:-z,relro LINKER:-z,now)
    target_link_options(kx-sim PRIVATE LINKER:-z,relro LINKER:-z,now)
    target_link_options(kx-ctl PRIVATE LINKER:-z,relro LINKER:-z,now)
    target_link_options(kx-server PRIVATE LINKER:-z,relro LINKER:-z,now)
endif()

# The manual lives with the program's data; the documentation folder links to it.
if(TARGET kx-manual)
    install(FILES ${CMAKE_BINARY_DIR}/help.pdf DESTINATION ${CMAKE_INSTALL_DATADIR}/kx-panel)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-links)
    file(CREATE_LINK ../../kx-panel/help.pdf ${CMAKE_BINARY_DIR}/install-links/help.pdf SYMBOLIC)
    install(FILES ${CMAKE_BINARY_DIR}/install-links/help.pdf DESTINATION ${KX_DOC_DIR})
endif()

# Manual pages, kept as roff source in docs/man/ and installed compressed as Debian
# wants them (gzip -9n: best compression, no name or time stamp). A program's page is
# one entry here.
set(KX_MAN_PAGES
    kx-panel.1
    kx-sim.1
    kx-ctl.1
    kx-server.1
)
# The changelog is compressed the same way; the copyright file stays plain.
find_program(KX_GZIP gzip REQUIRED)
set(KX_COMPRESSED_DIR ${CMAKE_BINARY_DIR}/compressed)
set(KX_COMPRESSED)
function(kx_compress source destination)
    get_filename_component(name ${source} NAME)
    set(output ${KX_COMPRESSED_DIR}/${name}.gz)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${KX_COMPRESSED_DIR}
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${KX_COMPRESSED_DIR}/${name}
        COMMAND ${KX_GZIP} -9nf ${KX_COMPRESSED_DIR}/${name}
        DEPENDS ${source}
        VERBATIM)
    install(FILES ${output} DESTINATION ${destination})
    set(KX_COMPRESSED ${KX_COMPRESSED} ${output} PARENT_SCOPE)
endfunction()
foreach(page ${KX_MAN_PAGES})
    string(REGEX MATCH "[0-9]$" section ${page})
    kx_compress(${CMAKE_CURRENT_LIST_DIR}/../docs/man/${page} ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
kx_compress(${KX_PACKAGING_DIR}/changelog ${KX_DOC_DIR})
add_custom_target(kx-compressed ALL DEPENDS ${KX_COMPRESSED})

install(FILES ${KX_PACKAGING_DIR}/copyright DESTINATION ${KX_DOC_DIR})
# The manual sits with the program's data because the program opens it from there.
install(FILES ${KX_PACKAGING_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME kx-panel)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../resources/kx-panel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KX_PACKAGING_DIR}/org.example.kx_panel.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../resources/kx-panel.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/24x24/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../resources/kx-panel-48.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps RENAME kx-panel.png)

# The test of the installed layout installs this build into a temporary folder.
if(TARGET tst_install)
    target_compile_definitions(tst_install PRIVATE
        KX_CMAKE_COMMAND="${CMAKE_COMMAND}" KX_BUILD_DIR="${CMAKE_BINARY_DIR}"
        KX_VERSION="${PROJECT_VERSION}" KX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    add_dependencies(tst_install kx-panel kx-sim kx-ctl kx-server kx-compressed)
    if(TARGET kx-manual)
        add_dependencies(tst_install kx-manual)
    endif()
endif()

set(CPACK_PACKAGE_NAME kx-panel)
set(CPACK_PACKAGE_VENDOR "kx-panel project")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "kx-panel project <kx-panel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "front panel for the KX12A, KX20A and KX25A function generators")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "kx-panel drives a KX12A, KX20A or KX25A function generator over an RS-232\n"
    "line: waveform, frequency, amplitude, offset, duty cycle, output, sweep,\n"
    "modulation, trigger and memory. Every entry is checked against the model's\n"
    "limits before it is sent, and the display shows what the generator answers.\n"
    "\n"
    "kx-ctl makes the same settings from the command line or a script, with the\n"
    "same checks and the same lines. kx-server holds the generator's port and\n"
    "shares it, so the panel and scripts use one generator at once, one operation\n"
    "at a time; on request it also takes plain SCPI text from the network.\n"
    "kx-sim, a simulated generator on a pseudo-terminal, comes with them. The\n"
    "operator's manual is /usr/share/kx-panel/help.pdf (Help > See Help File).")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # kx-panel_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "kx-panel project <kx-panel@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link come from dpkg-shlibdeps (package dpkg-dev). The
# window-system plugin is loaded, not linked, so it is named here, and so is the font the
# main window is laid out for; xdg-open opens the manual.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
find_program(KX_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NOT KX_DPKG_SHLIBDEPS)
    # Without dpkg-dev the dependencies are named by hand.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS
        "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6network6 (>= 6.4), libqt6core6 (>= 6.4), libqt6serialport6 (>= 6.4), libstdc++6, libc6, qt6-qpa-plugins, fonts-dejavu-core")
endif()
include(CPack)
