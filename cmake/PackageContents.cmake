# Runs inside cpack once the tree is staged: drops what users do not get and compresses the
# manual pages as Debian requires (gzip -9n: no name, no time, so the package is reproducible).
file(GLOB_RECURSE dropped "${CPACK_TEMPORARY_DIRECTORY}/*/bin/parcella-devservice")
if(dropped)
    file(REMOVE ${dropped})
endif()
file(GLOB_RECURSE manuals "${CPACK_TEMPORARY_DIRECTORY}/*/share/man/man[1-9]/*.[1-9]")
foreach(manual IN LISTS manuals)
    execute_process(COMMAND gzip -9nf ${manual} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
