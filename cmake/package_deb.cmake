# Debian package of the three programs, built by scripts/package: cpack -G DEB.
set(KR_DEB_DIR ${PROJECT_SOURCE_DIR}/packaging/deb)
set(KR_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kr470qx-tools)

# The seat user's access to USB serial adapters; udev reads /usr/lib/udev/rules.d on Debian.
install(FILES ${KR_DEB_DIR}/70-kr470qx-tools.rules DESTINATION lib/udev/rules.d)
install(FILES ${KR_DEB_DIR}/copyright DESTINATION ${KR_DOC_DIR})
# Debian wants manual pages and the changelog compressed at the highest level, no timestamp.
configure_file(${KR_DEB_DIR}/changelog ${CMAKE_CURRENT_BINARY_DIR}/deb/changelog @ONLY)
configure_file(${KR_DEB_DIR}/kr470qx-tools.1 ${CMAKE_CURRENT_BINARY_DIR}/deb/kr470qx-tools.1 COPYONLY)
configure_file(${KR_DEB_DIR}/kr470qx-sim.1 ${CMAKE_CURRENT_BINARY_DIR}/deb/kr470qx-sim.1 COPYONLY)
configure_file(${KR_DEB_DIR}/kr470qx-cli.1 ${CMAKE_CURRENT_BINARY_DIR}/deb/kr470qx-cli.1 COPYONLY)
set(KR_DEB_COMPRESSED)
foreach(name changelog kr470qx-tools.1 kr470qx-sim.1 kr470qx-cli.1)
    set(plain ${CMAKE_CURRENT_BINARY_DIR}/deb/${name})
    add_custom_command(OUTPUT ${plain}.gz COMMAND gzip -9nfk ${plain} DEPENDS ${plain})
    list(APPEND KR_DEB_COMPRESSED ${plain}.gz)
endforeach()
add_custom_target(deb_compressed_docs ALL DEPENDS ${KR_DEB_COMPRESSED})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/deb/changelog.gz DESTINATION ${KR_DOC_DIR})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/deb/kr470qx-tools.1.gz
              ${CMAKE_CURRENT_BINARY_DIR}/deb/kr470qx-sim.1.gz
              ${CMAKE_CURRENT_BINARY_DIR}/deb/kr470qx-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kr470qx-tools)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR VELMO)
set(CPACK_PACKAGE_CONTACT "VELMO <tools@velmo.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "test and service tool for the KR470QX-V5 controller")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop tool with which a field technician tests and services one
KR470QX-V5 controller over a serial port or TCP: identify it, run its
built-in tests and service commands, send raw commands and load new
firmware. kr470qx-cli runs the same operations from a console on many
controllers at once, with JSON events, a report and exit codes.
kr470qx-sim simulates controllers on TCP and pseudo-terminals.
A udev rule lets the user at the seat open USB serial adapters.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # kr470qx-tools_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${KR_DEB_DIR}/postinst ${KR_DEB_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
