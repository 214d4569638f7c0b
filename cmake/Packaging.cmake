# Installation and the Debian package (`make package`).
#
#   <prefix>/bin/lesnor, lesnor-tool
#   <prefix>/share/lesnor/语音库/, help.htm (and its help-*.png) found by the program from its own location
#   <prefix>/share/applications/org.lesnor.Lesnor.desktop
#   <prefix>/share/icons/hicolor/{scalable,48x48,128x128,256x256}/apps/org.lesnor.Lesnor.*
#   <prefix>/share/metainfo/org.lesnor.Lesnor.metainfo.xml
#   <prefix>/share/man/man1/lesnor.1.gz, lesnor-tool.1.gz
#   <prefix>/share/doc/lesnor/copyright, changelog.Debian.gz
#   <prefix>/share/lintian/overrides/lesnor
include(GNUInstallDirs)

set(LESNOR_APP_ID org.lesnor.Lesnor)
set(_pkg ${CMAKE_SOURCE_DIR}/packaging)
set(_gen ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${_gen})

install(TARGETS lesnor lesnor-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_BINARY_DIR}/语音库 DESTINATION ${CMAKE_INSTALL_DATADIR}/lesnor)
list(TRANSFORM LESNOR_HELP_PICTURES PREPEND ${CMAKE_BINARY_DIR}/help- OUTPUT_VARIABLE _help_pictures)
list(TRANSFORM _help_pictures APPEND .png)
install(FILES ${CMAKE_BINARY_DIR}/help.htm ${_help_pictures} DESTINATION ${CMAKE_INSTALL_DATADIR}/lesnor)

install(FILES ${_pkg}/${LESNOR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${_pkg}/${LESNOR_APP_ID}.metainfo.xml ${_gen}/${LESNOR_APP_ID}.metainfo.xml @ONLY)
install(FILES ${_gen}/${LESNOR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The icon: drawn as SVG, its bitmaps rendered from it at build time.
install(FILES ${_pkg}/${LESNOR_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
find_program(LESNOR_RSVG rsvg-convert)
find_program(LESNOR_GZIP gzip)
set(_generated)
if(LESNOR_RSVG)
    foreach(_size 48 128 256)
        set(_png ${_gen}/icon-${_size}/${LESNOR_APP_ID}.png)
        add_custom_command(OUTPUT ${_png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${_gen}/icon-${_size}
            COMMAND ${LESNOR_RSVG} -w ${_size} -h ${_size} ${_pkg}/${LESNOR_APP_ID}.svg -o ${_png}
            DEPENDS ${_pkg}/${LESNOR_APP_ID}.svg VERBATIM)
        list(APPEND _generated ${_png})
        install(FILES ${_png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps)
    endforeach()
endif()

# Manual pages and the Debian changelog, compressed without a time stamp.
foreach(_page lesnor lesnor-tool)
    configure_file(${_pkg}/${_page}.1 ${_gen}/${_page}.1 @ONLY)
    add_custom_command(OUTPUT ${_gen}/${_page}.1.gz
        COMMAND ${LESNOR_GZIP} -9 -n -f -k ${_gen}/${_page}.1
        DEPENDS ${_pkg}/${_page}.1 VERBATIM)
    list(APPEND _generated ${_gen}/${_page}.1.gz)
    install(FILES ${_gen}/${_page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
configure_file(${_pkg}/changelog.Debian ${_gen}/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${_gen}/changelog.Debian.gz
    COMMAND ${LESNOR_GZIP} -9 -n -f -k ${_gen}/changelog.Debian
    DEPENDS ${_pkg}/changelog.Debian VERBATIM)
add_custom_command(OUTPUT ${_gen}/copyright
    COMMAND bash ${_pkg}/make-copyright.sh ${CMAKE_SOURCE_DIR} > ${_gen}/copyright
    DEPENDS ${_pkg}/make-copyright.sh ${CMAKE_SOURCE_DIR}/LICENSE
        ${CMAKE_SOURCE_DIR}/resources/fonts/LICENSE-DejaVu.txt)
list(APPEND _generated ${_gen}/changelog.Debian.gz ${_gen}/copyright)
install(FILES ${_gen}/copyright ${_gen}/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lesnor)
install(FILES ${_pkg}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME lesnor)
add_custom_target(packaging_files ALL DEPENDS ${_generated})

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lesnor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "The Lesnor developers <developers@lesnor.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "English course player with a Chinese interface")
set(CPACK_PACKAGE_DESCRIPTION
    "Lesnor plays the recorded lessons of a four-book English course sentence by\n\
sentence, the spoken sentence highlighted and its Chinese translation shown.\n\
Every lesson comes with its new words; holding the mouse button on a word\n\
shows its dictionary entry and speaks it. Learners can record and play back\n\
their own voice and practise dictation. The interface is Chinese.\n\
\n\
This package also holds lesnor-tool, which queries and builds the program's\n\
lesson database.")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://lesnor.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# What the program loads at run time beyond the libraries it links: the voice's engines
# (loaded when the voice is set up), the pitch tracker of speak and compare, the MP3 decoder and sound output (sound server or
# ALSA), the stretching of slower speeds (SoundTouch's element), the window system plug-in, the faces its texts are set in, Qt's own texts in
# Chinese, Qt SQL's SQLite driver for the learner's record.
set(LESNOR_RUNTIME_PACKAGES
    libflite1 libespeak-ng1 libaubio5 gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-pulseaudio gstreamer1.0-alsa
    qt6-qpa-plugins libqt6sql6-sqlite fonts-wqy-microhei fonts-liberation qt6-translations-l10n)
list(JOIN LESNOR_RUNTIME_PACKAGES ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
