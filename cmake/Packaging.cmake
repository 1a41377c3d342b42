# Install rules and the Debian package (CPack). The programs live in
# /usr/lib/kerfmax with the toolbar icons the registration pass copies from
# the program's own folder; /usr/bin holds links to them.
include(GNUInstallDirs)

set(KERFMAX_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/kerfmax)
set(KERFMAX_DATA_DIR ${CMAKE_INSTALL_DATADIR}/kerfmax)
set(KERFMAX_LINUX_RESOURCES ${CMAKE_SOURCE_DIR}/resources/linux)
set(KERFMAX_STAGING ${CMAKE_BINARY_DIR}/packaging)

set(KERFMAX_PROGRAMS kerfmax-cli)
if(KERFMAX_GUI)
  list(APPEND KERFMAX_PROGRAMS kerfmax)
endif()
install(TARGETS ${KERFMAX_PROGRAMS} RUNTIME DESTINATION ${KERFMAX_PROGRAM_DIR})
install(FILES ${KERFMAX_ICONS} DESTINATION ${KERFMAX_PROGRAM_DIR})
file(MAKE_DIRECTORY ${KERFMAX_STAGING}/bin)
foreach(program ${KERFMAX_PROGRAMS})
  file(CREATE_LINK ../lib/kerfmax/${program} ${KERFMAX_STAGING}/bin/${program} SYMBOLIC)
  install(FILES ${KERFMAX_STAGING}/bin/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

# Manual pages, gzipped as Debian wants them (no time stamp: the same bytes every build).
find_program(KERFMAX_GZIP gzip REQUIRED)
foreach(page kerfmax kerfmax-cli)
  configure_file(${KERFMAX_LINUX_RESOURCES}/${page}.1 ${KERFMAX_STAGING}/man/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${KERFMAX_STAGING}/man/${page}.1.gz
    COMMAND ${KERFMAX_GZIP} -9nf -k ${KERFMAX_STAGING}/man/${page}.1
    DEPENDS ${KERFMAX_LINUX_RESOURCES}/${page}.1 VERBATIM)
  list(APPEND KERFMAX_MAN_PAGES ${KERFMAX_STAGING}/man/${page}.1.gz)
endforeach()
configure_file(${KERFMAX_LINUX_RESOURCES}/changelog ${KERFMAX_STAGING}/doc/changelog @ONLY)
add_custom_command(OUTPUT ${KERFMAX_STAGING}/doc/changelog.gz
  COMMAND ${KERFMAX_GZIP} -9nf -k ${KERFMAX_STAGING}/doc/changelog
  DEPENDS ${KERFMAX_LINUX_RESOURCES}/changelog VERBATIM)
add_custom_target(kerfmax_package_files ALL DEPENDS ${KERFMAX_MAN_PAGES} ${KERFMAX_STAGING}/doc/changelog.gz)
install(FILES ${KERFMAX_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KERFMAX_LINUX_RESOURCES}/copyright ${KERFMAX_STAGING}/doc/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kerfmax)

if(KERFMAX_GUI)
  install(FILES ${KERFMAX_LINUX_RESOURCES}/kerfmax.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size 16 24 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/pictures/icon128_${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME kerfmax.png)
  endforeach()
endif()
install(FILES ${CMAKE_SOURCE_DIR}/resources/samples/sign.hb DESTINATION ${KERFMAX_DATA_DIR}/samples)
install(FILES ${CMAKE_SOURCE_DIR}/resources/Skin.qss ${CMAKE_SOURCE_DIR}/host/macro/Cutter.bas
  DESTINATION ${KERFMAX_DATA_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kerfmax)
set(CPACK_PACKAGE_VENDOR "The Kerfmax team")
set(CPACK_PACKAGE_CONTACT "The Kerfmax team <team@kerfmax.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sender for vinyl and contour cutting plotters")
# The synopsis line comes from the summary above.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Kerfmax shows a job that the host drawing program's macro wrote, mirrors and
rotates it, applies blade-offset compensation and over-cut, orders the cuts
to save media feed, adds a weeding frame, and sends it as HPGL or DMPL over a
serial port, a USB cutter or TCP, or saves it as a plot file. It speaks
English and Chinese. kerfmax-cli does the same without a window.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# 7z unpacks and packs the host's workspace packages; the Chinese texts need a CJK font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "p7zip-full, fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
