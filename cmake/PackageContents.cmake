# Runs inside cpack once the tree is staged: drops what users do not get.
file(GLOB_RECURSE dropped "${CPACK_TEMPORARY_DIRECTORY}/*/bin/parcella-devservice")
if(dropped)
    file(REMOVE ${dropped})
endif()
