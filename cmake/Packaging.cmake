# The Debian package (`cpack -G DEB` in the build folder): the programs under /usr, their desktop
# entries, hicolor icons, the AppStream metainfo and the Debian documentation files. Library
# dependencies are found with dpkg-shlibdeps.
# The PNG icons are the SVG rendered with rsvg-convert (librsvg2-bin) at each size.
set(packaging ${PROJECT_SOURCE_DIR}/packaging)
# Independent of the builder's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(FILES ${packaging}/parcella.svg DESTINATION share/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
    install(FILES ${packaging}/icons/${size}/parcella.png
        DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${packaging}/app.parcella.Parcella.metainfo.xml DESTINATION share/metainfo)
install(FILES ${packaging}/copyright DESTINATION share/doc/parcella)
# Debian wants the changelog compressed with gzip -9n (no name, no time: reproducible).
set(changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz)
execute_process(COMMAND gzip -9nc ${packaging}/changelog OUTPUT_FILE ${changelog})
install(FILES ${changelog} DESTINATION share/doc/parcella)

set(CPACK_PACKAGE_NAME parcella)
set(CPACK_PACKAGE_VENDOR "Parcella")
set(CPACK_PACKAGE_CONTACT "Parcella developers <packages@parcella.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "send large files from the tray")
set(CPACK_PACKAGE_DESCRIPTION "Parcella sends large files through a file-transfer service.
It lives in the tray: drop files of up to 100 GB each and they upload in the
background, resuming after network loss, sleep and restarts. The package also
holds parcella-cli, the same engine for terminals and scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A Debian revision: the package is made apart from the program's own releases.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://parcella.app/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The stand-in service is a development tool and stays out of the package.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/PackageContents.cmake)
include(CPack)

add_test(NAME debian_package COMMAND bash ${PROJECT_SOURCE_DIR}/tests/packaging/test-package.sh
    ${CMAKE_BINARY_DIR})
set_tests_properties(debian_package PROPERTIES TIMEOUT 600 RUN_SERIAL ON)
add_test(NAME user_install COMMAND bash ${PROJECT_SOURCE_DIR}/tests/packaging/test-user-install.sh
    ${CMAKE_BINARY_DIR})
set_tests_properties(user_install PROPERTIES TIMEOUT 300)
