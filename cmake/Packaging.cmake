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
# The licence and the notice for the Qt inside the program travel with it;
# on Windows beside the program, named so that a double click opens them.
if(WIN32)
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
    install(FILES ${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES DESTINATION . RENAME THIRD-PARTY-NOTICES.txt)
else()
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES
        DESTINATION share/doc/zelvoro-mixer)
endif()
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

# Values reach the NSIS script exactly as written here.
set(CPACK_VERBATIM_VARIABLES ON)
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
    set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/resources/icon.ico")
    # The start menu entry of CPACK_PACKAGE_EXECUTABLES points here, beside the translations.
    set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
    set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-win64")
    set(ZELVORO_INSTALLER ${CMAKE_BINARY_DIR}/${CPACK_PACKAGE_FILE_NAME}.exe)
    set(CPACK_STRIP_FILES ON)
    # A 64-bit installer for the 64-bit program: it needs no 32-bit layer
    # (a 64-bit-only Wine has none). cmake/nsis/ holds the per-user template,
    # which CPack finds through CMAKE_MODULE_PATH, and zelvoro.nsh with the
    # steps the hooks below call.
    list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/nsis)
    # The two programs share most of their code (Qt): one solid block with a
    # dictionary that holds both packs them in about 7.3 MiB instead of 8.6.
    set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
    set(CPACK_NSIS_DEFINES "
        Target amd64-unicode
        SetCompressorDictSize 32
        !addincludedir \"${CMAKE_CURRENT_LIST_DIR}/nsis\"")
    set(CPACK_NSIS_INSTALL_ROOT "$LOCALAPPDATA\\Programs")
    set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Zelvoro Mixer")
    set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
    # A running copy quits before any file is touched; start at login is
    # /AUTOSTART=1|0 or the user's answer, kept on upgrades. The uninstaller
    # removes the start-at-login value, and the settings only on request.
    set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS "Call ZelvoroQuitRunning")
    set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "Call ZelvoroStartAtLogin")
    set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "Call un.ZelvoroQuitRunning
        Call un.ZelvoroForgetStartAtLogin")
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
            ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES
            ${CMAKE_CURRENT_LIST_DIR}/nsis/NSIS.template.in ${CMAKE_CURRENT_LIST_DIR}/nsis/zelvoro.nsh
            ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/ZelvoroDriver_en_US.qm
            ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/ZelvoroDriver_zh_CN.qm
            ${CMAKE_CURRENT_LIST_FILE} ${CMAKE_BINARY_DIR}/CPackConfig.cmake
        COMMENT "Building the installer ${ZELVORO_INSTALLER}"
        VERBATIM)
    add_custom_target(zelvoro_installer ALL DEPENDS ${ZELVORO_INSTALLER})
    set_target_properties(zelvoro_installer PROPERTIES ZELVORO_INSTALLER_FILE ${ZELVORO_INSTALLER})
endif()
