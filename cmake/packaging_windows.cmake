# Packing the Windows program:
#   cpack --config BUILD_DIR/CPackConfig.cmake -G ZIP   (portable zip)
#   cpack --config BUILD_DIR/CPackConfig.cmake -G NSIS  (installer, makensis)
# packaging/build-windows.sh makes both.
if(NOT TARGET scrivlet)
  return()
endif()

# Everything sits beside the exe: the zip unpacks to one folder, the
# installer fills one folder under Program Files.
install(TARGETS scrivlet RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/docs/windows.md DESTINATION . OPTIONAL)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

set(CPACK_PACKAGE_NAME Scrivlet)
set(CPACK_PACKAGE_VENDOR "The Scrivlet project")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Scrivlet)
set(CPACK_PACKAGE_FILE_NAME scrivlet-${PROJECT_VERSION}-windows-x64)
# The Start-menu entry, to the exe beside the installed files.
set(CPACK_PACKAGE_EXECUTABLES scrivlet Scrivlet)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
# The installer shows the licence before it installs.
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR ZIP NSIS)

# The installer: per-user or for everyone under Program Files (64-bit), the
# program's icon, a Start-menu folder and an uninstaller listed in Apps.
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/scrivlet.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/scrivlet.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME scrivlet.exe)
set(CPACK_NSIS_DISPLAY_NAME Scrivlet)
set(CPACK_NSIS_PACKAGE_NAME Scrivlet)
set(CPACK_NSIS_MENU_LINKS README.md "README")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# A 64-bit installer for a 64-bit program: it also runs where only 64-bit
# programs run (Debian's wine64 without wine32).
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
include(CPack)
