# Installing Scrivlet and packing it as a Debian package:
#   cmake --install BUILD_DIR [--prefix DIR]
#   cpack --config BUILD_DIR/CPackConfig.cmake -B OUT_DIR
# Only where the program itself is built. Windows builds pack a zip and an
# installer instead (packaging_windows.cmake).
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/packaging_windows.cmake)
  return()
endif()
if(TARGET scrivlet)
  include(GNUInstallDirs)
  find_package(Qt6 REQUIRED COMPONENTS Gui)
  # Debian names the folder after the package.
  set(scrivlet_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/scrivlet)

  # The menu icon: a PNG made from the window's icon at build time.
  add_executable(scrivlet_icon_png ${PROJECT_SOURCE_DIR}/packaging/icon_png.cpp)
  target_link_libraries(scrivlet_icon_png PRIVATE Qt6::Gui scrivlet_build_flags)
  set(scrivlet_icon_png ${PROJECT_BINARY_DIR}/packaging/scrivlet.png)
  add_custom_command(
    OUTPUT ${scrivlet_icon_png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
    COMMAND scrivlet_icon_png ${PROJECT_SOURCE_DIR}/resources/scrivlet.ico ${scrivlet_icon_png}
    DEPENDS scrivlet_icon_png ${PROJECT_SOURCE_DIR}/resources/scrivlet.ico
    COMMENT "Making the 32 x 32 menu icon")
  add_custom_target(scrivlet_menu_icon ALL DEPENDS ${scrivlet_icon_png})

  install(TARGETS scrivlet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/scrivlet.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # KWin grants its fake input to the program whose .desktop file declares
  # it, matching Exec= against the program's full path: the installed entry
  # names the program where this install puts it.
  install(CODE "
    set(entry \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications/scrivlet.desktop\")
    file(READ \"\${entry}\" text)
    string(REPLACE \"Exec=scrivlet\" \"Exec=\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/scrivlet\" text \"\${text}\")
    file(WRITE \"\${entry}\" \"\${text}\")")
  install(FILES ${scrivlet_icon_png}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/
          DESTINATION ${scrivlet_doc_dir}
          FILES_MATCHING PATTERN "*.md" PATTERN "*.png")
  # Debian keeps a package's licence as doc/PACKAGE/copyright.
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
          DESTINATION ${scrivlet_doc_dir} RENAME copyright)
  # The README is the lead's; it goes in once it is there.
  install(FILES ${PROJECT_SOURCE_DIR}/README.md
          DESTINATION ${scrivlet_doc_dir} OPTIONAL)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME scrivlet)
  set(CPACK_PACKAGE_VENDOR "The Scrivlet project")
  set(CPACK_PACKAGE_CONTACT "The Scrivlet project <scrivlet@localhost>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Load a picture, put the pointer on the top-left corner of a drawing area (a chat client's handwriting area, a drawing game, any paint program) and press F7: every dark sample of the picture becomes a left click there. F8 stops. Works on X11, and on Wayland on wlroots desktops (sway, labwc, wayfire, Hyprland) and KDE Plasma.")
  # The libraries the program links come from dpkg-shlibdeps; the fonts the
  # window's Japanese texts are laid out for and Qt's Wayland plugin, which
  # is loaded, not linked, are named here.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-wayland")
  # The home-page button opens the browser through xdg-open.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
  include(CPack)
endif()
