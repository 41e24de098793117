# Installation and packages. The program finds its translations beside the
# executable, so both go into the same folder.
if(NOT TARGET ZelvoroDriver)
    return()
endif()

if(WIN32)
    set(ZELVORO_INSTALL_BIN .)
else()
    include(GNUInstallDirs)
    set(ZELVORO_INSTALL_BIN ${CMAKE_INSTALL_BINDIR})
endif()

install(TARGETS ZelvoroDriver RUNTIME DESTINATION ${ZELVORO_INSTALL_BIN})
install(FILES
    ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/ZelvoroDriver_en_US.qm
    ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/ZelvoroDriver_zh_CN.qm
    DESTINATION ${ZELVORO_INSTALL_BIN})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/zelvoro-mixer OPTIONAL)
if(TARGET zelvoro-sim)
    # The simulator ships with the Linux build so the program can be tried without hardware.
    install(TARGETS zelvoro-sim RUNTIME DESTINATION ${ZELVORO_INSTALL_BIN})
endif()

if(WIN32)
    # Bring the Qt libraries and plugins next to the program.
    find_program(ZELVORO_WINDEPLOYQT windeployqt HINTS ${QT6_INSTALL_PREFIX}/bin ${Qt6_DIR}/../../../bin)
    if(ZELVORO_WINDEPLOYQT)
        install(CODE "execute_process(COMMAND \"${ZELVORO_WINDEPLOYQT}\" --no-translations --no-compiler-runtime
            \"\${CMAKE_INSTALL_PREFIX}/ZelvoroDriver.exe\" COMMAND_ERROR_IS_FATAL ANY)")
    endif()
endif()

set(CPACK_PACKAGE_NAME "ZelvoroMixer")
set(CPACK_PACKAGE_VENDOR "Zelvoro")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Control panel for the Zelvoro KS1, KS2 and KT USB audio interfaces")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Zelvoro Mixer")
set(CPACK_PACKAGE_EXECUTABLES "ZelvoroDriver;Zelvoro Mixer")
if(WIN32)
    set(CPACK_GENERATOR "ZIP;NSIS")
    set(CPACK_NSIS_DISPLAY_NAME "Zelvoro Mixer")
    set(CPACK_NSIS_INSTALLED_ICON_NAME "ZelvoroDriver.exe")
    set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/resources/icon.ico")
    set(CPACK_NSIS_CREATE_ICONS_EXTRA
        "CreateShortCut '$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\Zelvoro Mixer.lnk' '$INSTDIR\\\\ZelvoroDriver.exe'")
    # Optional start at login: the user is asked, and the entry goes away with the program.
    set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
        MessageBox MB_YESNO 'Start Zelvoro Mixer when you log in?' IDNO +2
        WriteRegStr HKCU 'Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run' 'ZelvoroMixer' '\\\"$INSTDIR\\\\ZelvoroDriver.exe\\\"'")
    set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "
        DeleteRegValue HKCU 'Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run' 'ZelvoroMixer'")
else()
    set(CPACK_GENERATOR "TGZ")
endif()
include(CPack)
