# Compiles the translation sources to ZelvoroDriver_<lang>.qm beside the
# executable, where the program looks for them at start.
function(zelvoro_add_translations target)
    set(ts_files
        ${PROJECT_SOURCE_DIR}/translations/ZelvoroDriver_en_US.ts
        ${PROJECT_SOURCE_DIR}/translations/ZelvoroDriver_zh_CN.ts)
    set_source_files_properties(${ts_files} PROPERTIES OUTPUT_LOCATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
    qt_add_lrelease(${target} TS_FILES ${ts_files} QM_FILES_OUTPUT_VARIABLE qm_files)
endfunction()
