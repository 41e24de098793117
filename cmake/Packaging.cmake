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
if(TARGET zelvoroctl)
    # The command-line client goes beside the program it drives.
    install(TARGETS zelvoroctl RUNTIME DESTINATION ${ZELVORO_INSTALL_BIN})
endif()
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
    # A shared Qt (the MSVC workflow) needs its libraries and plugins next to
    # the program; the static Qt of the cross build has none to bring.
    get_target_property(ZELVORO_QT_CORE_TYPE Qt6::Core TYPE)
    if(ZELVORO_QT_CORE_TYPE STREQUAL "SHARED_LIBRARY")
        find_program(ZELVORO_WINDEPLOYQT windeployqt HINTS ${QT6_INSTALL_PREFIX}/bin ${Qt6_DIR}/../../../bin)
        if(ZELVORO_WINDEPLOYQT)
            install(CODE "execute_process(COMMAND \"${ZELVORO_WINDEPLOYQT}\" --no-translations --no-compiler-runtime
                \"\${CMAKE_INSTALL_PREFIX}/ZelvoroDriver.exe\" COMMAND_ERROR_IS_FATAL ANY)")
        endif()
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
    # The start menu entry of CPACK_PACKAGE_EXECUTABLES points here, beside the translations.
    set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
    set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-win64")
    set(ZELVORO_INSTALLER ${CMAKE_BINARY_DIR}/${CPACK_PACKAGE_FILE_NAME}.exe)
    set(CPACK_STRIP_FILES ON)
    # Optional start at login. /AUTOSTART=1 or /AUTOSTART=0 on the command
    # line decides it; otherwise the user is asked, and a silent install (/S)
    # leaves it off. The entry goes away with the program.
    # A 64-bit installer for the 64-bit program: it needs no 32-bit layer
    # (a 64-bit-only Wine has none). FileFunc.nsh reads the command line.
    set(CPACK_NSIS_DEFINES "
        Target amd64-unicode
        !include FileFunc.nsh")
    set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
        \\\${GetParameters} $R0
        ClearErrors
        \\\${GetOptions} $R0 '/AUTOSTART=' $R1
        IfErrors 0 zelvoroAutostartChosen
        MessageBox MB_YESNO 'Start Zelvoro Mixer when you log in?' /SD IDNO IDYES zelvoroAutostartOn IDNO zelvoroAutostartDone
        zelvoroAutostartChosen:
        StrCmp $R1 '1' 0 zelvoroAutostartDone
        zelvoroAutostartOn:
        WriteRegStr HKCU 'Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run' 'ZelvoroMixer' '\\\"$INSTDIR\\\\ZelvoroDriver.exe\\\"'
        zelvoroAutostartDone:")
    set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "
        DeleteRegValue HKCU 'Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run' 'ZelvoroMixer'")
else()
    set(CPACK_GENERATOR "TGZ")
endif()
include(CPack)

# The cross build makes the installer as part of the build, with Debian's
# makensis (tests/installer finds it and installs the result under Wine).
if(WIN32 AND CMAKE_CROSSCOMPILING AND ZELVORO_MAKENSIS)
    add_custom_command(OUTPUT ${ZELVORO_INSTALLER}
        COMMAND ${CMAKE_CPACK_COMMAND} -G NSIS --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
            -B ${CMAKE_BINARY_DIR} -D CPACK_NSIS_EXECUTABLE=${ZELVORO_MAKENSIS}
        DEPENDS ZelvoroDriver zelvoroctl
            ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/ZelvoroDriver_en_US.qm
            ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/ZelvoroDriver_zh_CN.qm
            ${CMAKE_CURRENT_LIST_FILE} ${CMAKE_BINARY_DIR}/CPackConfig.cmake
        COMMENT "Building the installer ${ZELVORO_INSTALLER}"
        VERBATIM)
    add_custom_target(zelvoro_installer ALL DEPENDS ${ZELVORO_INSTALLER})
    set_target_properties(zelvoro_installer PROPERTIES ZELVORO_INSTALLER_FILE ${ZELVORO_INSTALLER})
endif()
