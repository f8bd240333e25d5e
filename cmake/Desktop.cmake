# What the programs install on a freedesktop system beside the executables: the
# desktop entry and icons, man pages, bash completion, the TVK file type with its
# thumbnailer, AppStream metadata, and the Debian package made from all of it.

install(FILES resources/TVK_Mak.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32 48 64 128 256)
    install(FILES resources/icons/TVK_Mak-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME TVK_Mak.png)
endforeach()
install(FILES resources/icons/TVK_Mak.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

install(FILES resources/completion/tvk.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tvk)
install(FILES resources/tvk-mak.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
# The thumbnailer runs `tvk thumbnail`, one process for each TVK file.
set(TVK_THUMBNAIL_PROGRAM ${CMAKE_INSTALL_FULL_BINDIR}/tvk)
configure_file(resources/tvk-mak.thumbnailer.in ${PROJECT_BINARY_DIR}/tvk-mak.thumbnailer @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tvk-mak.thumbnailer
    DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
set(TVK_APPSTREAM_ID io.github.tvk_mak.TVK_Mak)
configure_file(resources/${TVK_APPSTREAM_ID}.metainfo.xml.in
    ${PROJECT_BINARY_DIR}/${TVK_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${TVK_APPSTREAM_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Man pages and the changelog are installed compressed, without time stamps, so
# that two builds of one version give the same package.
set(TVK_PACKAGE_RELEASE 1)
find_program(GZIP gzip REQUIRED)
set(TVK_COMPRESSED)
function(tvk_compressed source output)
    configure_file(${source} ${PROJECT_BINARY_DIR}/compressed/${output} @ONLY)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/${output}.gz
        COMMAND ${GZIP} -9nc ${PROJECT_BINARY_DIR}/compressed/${output}
                > ${PROJECT_BINARY_DIR}/${output}.gz
        DEPENDS ${PROJECT_BINARY_DIR}/compressed/${output}
        VERBATIM)
    set(TVK_COMPRESSED ${TVK_COMPRESSED} ${PROJECT_BINARY_DIR}/${output}.gz PARENT_SCOPE)
endfunction()
tvk_compressed(resources/man/tvk.1 tvk.1)
tvk_compressed(resources/man/TVK_Mak.1 TVK_Mak.1)
tvk_compressed(resources/debian/changelog.in changelog.Debian)
add_custom_target(tvk_compressed ALL DEPENDS ${TVK_COMPRESSED})
install(FILES ${PROJECT_BINARY_DIR}/tvk.1.gz ${PROJECT_BINARY_DIR}/TVK_Mak.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
set(TVK_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tvk-mak)
install(FILES ${PROJECT_BINARY_DIR}/changelog.Debian.gz resources/debian/copyright
    DESTINATION ${TVK_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tvk-mak)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TVK_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_CONTACT "The TVK_Mak developers <tvk-mak@users.noreply.github.com>"
    CACHE STRING "The package's maintainer, as \"Name <address>\"")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
# The dependencies come from the libraries the programs link (dpkg-shlibdeps);
# Qt's platform plugins are loaded at run time, so no library names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Completion of tvk's commands and options; Qt's WebP reader and writer, for icons made
# from WebP pictures and for WebP thumbnails (`tvk thumbnail`).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "bash-completion, qt6-image-formats-plugins")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tovrik image maker: packs two icons and a name into a TVK file")
# CPack puts the summary on the first line itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "TVK_Mak makes TVK files, the Tovrik image format: one file that holds an
image's name, its author's name and two icon files, a left and a right one,
copied byte for byte. An earlier file is replaced only once the new one is
safely on disk.
.
The window program TVK_Mak also opens a TVK file to change it and convert it
again. The command-line tool tvk packs, inspects and unpacks TVK files, packs
many at once from a spreadsheet's CSV manifest (batch), and makes the
thumbnails that file managers show for them. A PNG, JPEG, BMP, GIF, WebP or
SVG picture given as an icon is made into one, at every size Windows shows
(tvk icon makes such ICO files on their own).")
include(CPack)
