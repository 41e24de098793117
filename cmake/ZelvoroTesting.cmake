# zelvoro_add_test(<name> SOURCES <files...> [LIBS <targets...>] [TIMEOUT <s>] [LABELS <labels...>])
#
# Builds a Qt Test executable and registers it with CTest. Every test runs
# through tests/run-isolated.sh: fresh HOME, XDG_* and TMPDIR directories and
# the offscreen platform, so tests never touch the user's files, never see
# each other's simulator sockets and can run in parallel. In the Windows build
# tests/wine/run-isolated.sh does the same under Wine, with a Windows profile
# and TEMP of the test's own.
function(zelvoro_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test zelvoro_test_support ${ARG_LIBS})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    if(WIN32 AND CMAKE_CROSSCOMPILING)
        # The static Qt loads no plugins at run time: link the offscreen platform in.
        qt_import_plugins(${name} INCLUDE Qt6::QOffscreenIntegrationPlugin)
        add_test(NAME ${name}
            COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/run-isolated.sh ${CMAKE_BINARY_DIR}/wineprefix
                    ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>)
        list(APPEND ARG_LABELS wine)
    elseif(WIN32)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    else()
        add_test(NAME ${name}
            COMMAND ${PROJECT_SOURCE_DIR}/tests/run-isolated.sh $<TARGET_FILE:${name}>)
    endif()
    # Tests that start zelvoro-sim are labelled, so platforms without it can leave them out.
    foreach(source IN LISTS ARG_SOURCES)
        get_filename_component(path ${source} ABSOLUTE)
        if(EXISTS ${path})
            file(READ ${path} text)
            string(FIND "${text}" "SimProcess" found)
            if(NOT found EQUAL -1)
                list(APPEND ARG_LABELS needs-sim)
                break()
            endif()
        endif()
    endforeach()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}")
endfunction()
