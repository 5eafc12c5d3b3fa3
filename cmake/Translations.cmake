# parcella_add_translations(<target> <table>): builds translations/<table>_*.ts into .qm tables
# and puts them into the target's resources under :/i18n, where Translations finds them.
find_package(Qt6 REQUIRED COMPONENTS LinguistTools)

function(parcella_add_translations target table)
    file(GLOB ts_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/translations/${table}_*.ts)
    qt_add_lrelease(${target} TS_FILES ${ts_files} NO_GLOBAL_TARGET QM_FILES_OUTPUT_VARIABLE qm_files)
    qt_add_resources(${target} ${table}_translations PREFIX /i18n BASE ${CMAKE_CURRENT_BINARY_DIR}
        FILES ${qm_files})
endfunction()
