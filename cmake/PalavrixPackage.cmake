# The system package: desktop entry, icons, AppStream metainfo, the command `palavrix`, and
# the Debian package made by `cpack -G DEB` (scripts/package.sh).
set(desktop_dir ${PROJECT_SOURCE_DIR}/resources/desktop)
# cpack installs what scripts/package.sh built, without building the tests first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(app_id io.sourceforge.palavrix)

install(FILES ${desktop_dir}/palavrix.desktop DESTINATION share/applications
        RENAME ${app_id}.desktop)
install(FILES ${desktop_dir}/${app_id}.metainfo.xml DESTINATION share/metainfo)

# The icon in the sizes of the hicolor theme, drawn by the program's own icon code.
set(icon_sizes 16 22 24 32 48 64 128 256)
set(icon_root ${CMAKE_BINARY_DIR}/icons)
set(icon_files)
foreach(size IN LISTS icon_sizes)
    list(APPEND icon_files ${icon_root}/${size}x${size}/apps/palavrix.png)
endforeach()
add_executable(palavrix_icongen ${desktop_dir}/IconGenerator.cpp)
target_link_libraries(palavrix_icongen PRIVATE palavrix::ui)
add_custom_command(OUTPUT ${icon_files}
    COMMAND palavrix_icongen ${icon_root} ${icon_sizes}
    DEPENDS palavrix_icongen VERBATIM)
add_custom_target(palavrix_icons ALL DEPENDS ${icon_files})
install(DIRECTORY ${icon_root}/ DESTINATION share/icons/hicolor)

# /usr/bin/palavrix starts the program in its folder (the link is followed, so the program
# still finds its files beside itself); /usr/bin/palavrix-peer the peer without a window.
file(CREATE_LINK ../${PALAVRIX_INSTALL_PROGRAM_DIR}/Palavrix ${CMAKE_BINARY_DIR}/palavrix SYMBOLIC)
file(CREATE_LINK ../${PALAVRIX_INSTALL_PROGRAM_DIR}/palavrix-peer
     ${CMAKE_BINARY_DIR}/palavrix-peer SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/palavrix ${CMAKE_BINARY_DIR}/palavrix-peer DESTINATION bin)

# The manual pages, compressed at build time as Debian ships them (no name, no time stamp).
set(man_root ${CMAKE_BINARY_DIR}/man)
set(man_pages)
foreach(page palavrix.1 palavrix-peer.1)
    add_custom_command(OUTPUT ${man_root}/${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${man_root}
        COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/man/${page} ${man_root}/${page}
        COMMAND gzip -9nf ${man_root}/${page}
        DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page} VERBATIM)
    list(APPEND man_pages ${man_root}/${page}.gz)
endforeach()
add_custom_target(palavrix_man ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION share/man/man1)

# The chat listens on ports below 1024: the package gives the program and the peer that one
# capability.
set(postinst ${CMAKE_BINARY_DIR}/debian/postinst)
file(WRITE ${postinst} "#!/bin/sh
set -e
if [ \"$1\" = configure ] && command -v setcap >/dev/null 2>&1; then
    for program in Palavrix palavrix-peer; do
        setcap cap_net_bind_service=+ep /usr/${PALAVRIX_INSTALL_PROGRAM_DIR}/$program || true
    done
fi
")
file(CHMOD ${postinst} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
     GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME palavrix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Palavrix developers <palavrix@users.sourceforge.io>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "serverless chat for the local network")
set(CPACK_PACKAGE_DESCRIPTION "Every running copy announces its user to the subnet by UDP \
broadcast (ports 555-557), lists the users it heard lately, shows one public conversation \
and exchanges private messages, kept in a local searchable history.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so not found by the library scan: the database driver, the X11
# platform, OpenSSL's crypto library that the first file transfer loads and the database
# engine the message store loads when first used.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, qt6-qpa-plugins, libssl3, libsqlite3-0")
# The Wayland platform: without it a Wayland desktop shows the windows through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libcap2-bin, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://palavrix.sourceforge.io/)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${postinst})
set(CPACK_STRIP_FILES ON)
include(CPack)
