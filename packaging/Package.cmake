# The Debian package kelto_VERSION_ARCH.deb, made by `cmake --build build --target deb` into
# build/package/ (the default build never makes it). The program folder is installed read-only in
# /usr/lib/kelto, so the program keeps each user's settings and notebooks in that user's folders;
# `kelto` on the PATH, the menu entry, the icons, the AppStream metainfo, the manual page, the
# copyright file and the changelog go where Debian puts them.

set(KELTO_HOMEPAGE "https://kelto.invalid" CACHE STRING
  "Web address of the project's pages; the AppStream screenshots are expected under <address>/screenshots/")
set(KELTO_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
set(KELTO_PACKAGE_FILES ${KELTO_PACKAGE_DIR}/files)
set(KELTO_APP_ID jp.quillane.Kelto)
set(PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)

find_program(KELTO_RSVG_CONVERT rsvg-convert)
find_program(KELTO_GZIP gzip)

# Everything below is installed only as the component "Package", which a plain `cmake --install`
# leaves out: the portable program folder stays what it was.
macro(kelto_package_install kind)
  install(${kind} ${ARGN} COMPONENT Package EXCLUDE_FROM_ALL)
endmacro()

kelto_package_install(TARGETS kelto RUNTIME DESTINATION lib/kelto)
# The modules beside it, opened by the program on a video export or a weather fetch; Depends
# names what they link as well as what the executable links (below).
kelto_package_install(TARGETS ${KELTO_MODULES} LIBRARY DESTINATION lib/kelto)
# After the strip: the compiler's notes are of no use in the installed program.
foreach(target kelto ${KELTO_MODULES})
  install(CODE "execute_process(COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment --remove-section=.note
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/kelto/$<TARGET_FILE_NAME:${target}>\" COMMAND_ERROR_IS_FATAL ANY)"
    COMPONENT Package EXCLUDE_FROM_ALL)
endforeach()
kelto_package_install(DIRECTORY kit/ DESTINATION lib/kelto)
file(MAKE_DIRECTORY ${KELTO_PACKAGE_FILES})
file(CREATE_LINK ../lib/kelto/kelto ${KELTO_PACKAGE_FILES}/kelto SYMBOLIC)
kelto_package_install(FILES ${KELTO_PACKAGE_FILES}/kelto DESTINATION bin)
kelto_package_install(FILES ${PACKAGING_DIR}/${KELTO_APP_ID}.desktop DESTINATION share/applications)
configure_file(${PACKAGING_DIR}/${KELTO_APP_ID}.metainfo.xml.in ${KELTO_PACKAGE_FILES}/${KELTO_APP_ID}.metainfo.xml @ONLY)
kelto_package_install(FILES ${KELTO_PACKAGE_FILES}/${KELTO_APP_ID}.metainfo.xml DESTINATION share/metainfo)
kelto_package_install(FILES ${PACKAGING_DIR}/kelto.svg DESTINATION share/icons/hicolor/scalable/apps)
kelto_package_install(FILES ${PACKAGING_DIR}/copyright DESTINATION share/doc/kelto)
kelto_package_install(FILES ${PACKAGING_DIR}/lintian-overrides DESTINATION share/lintian/overrides RENAME kelto)

set(KELTO_PACKAGE_INPUTS)
foreach(size 48 128 256)
  set(icon ${KELTO_PACKAGE_FILES}/icons/${size}/kelto.png)
  add_custom_command(OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KELTO_PACKAGE_FILES}/icons/${size}
    COMMAND ${KELTO_RSVG_CONVERT} -w ${size} -h ${size} -o ${icon} ${PACKAGING_DIR}/kelto.svg
    DEPENDS ${PACKAGING_DIR}/kelto.svg VERBATIM)
  kelto_package_install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  list(APPEND KELTO_PACKAGE_INPUTS ${icon})
endforeach()

# Compressed without a time stamp, so the same sources give the same package.
configure_file(${PACKAGING_DIR}/kelto.1 ${KELTO_PACKAGE_FILES}/kelto.1 @ONLY)
foreach(pair "changelog|${PACKAGING_DIR}/changelog|share/doc/kelto"
             "kelto.1|${KELTO_PACKAGE_FILES}/kelto.1|share/man/man1")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 source)
  list(GET pair 2 destination)
  set(packed ${KELTO_PACKAGE_FILES}/${name}.gz)
  add_custom_command(OUTPUT ${packed}
    COMMAND sh -c "${KELTO_GZIP} -9nc \"$1\" > \"$2\"" sh ${source} ${packed}
    DEPENDS ${source} VERBATIM)
  kelto_package_install(FILES ${packed} DESTINATION ${destination})
  list(APPEND KELTO_PACKAGE_INPUTS ${packed})
endforeach()

# The AppStream screenshots, drawn by the program itself from the sample notebook: published at
# the project's address, not part of the package.
set(shot_day 2024-05-15)
set(sample ${KELTO_PACKAGE_DIR}/sample/観察ノート)
set(shots ${KELTO_PACKAGE_DIR}/screenshots/calendar.png ${KELTO_PACKAGE_DIR}/screenshots/detail.png)
add_custom_command(OUTPUT ${shots}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${KELTO_PACKAGE_DIR}/sample
  COMMAND ${CMAKE_COMMAND} -E env KELTO_TODAY=${shot_day} QT_QPA_PLATFORM=offscreen
          $<TARGET_FILE:sample_notebook> ${sample}
  COMMAND ${CMAKE_COMMAND} -E env KELTO_TODAY=${shot_day}
          $<TARGET_FILE:kelto> --render calendar --date ${shot_day} --notebook ${sample}
          --out ${KELTO_PACKAGE_DIR}/screenshots/calendar.png
  COMMAND ${CMAKE_COMMAND} -E env KELTO_TODAY=${shot_day}
          $<TARGET_FILE:kelto> --render detail --date ${shot_day} --notebook ${sample}
          --out ${KELTO_PACKAGE_DIR}/screenshots/detail.png
  DEPENDS kelto sample_notebook VERBATIM)
list(APPEND KELTO_PACKAGE_INPUTS ${shots})

set(CPACK_GENERATOR DEB)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Kelto;Package;/")
set(CPACK_PACKAGE_NAME kelto)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Kelto developers <developers@kelto.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: the libraries the executable and its modules link (dpkg-shlibdeps), and the Japanese
# glyphs; the desktop's helpers are recommended.
set(shlibs ${KELTO_PACKAGE_FILES}/depends.cmake)
set(elf_files $<TARGET_FILE:kelto>)
foreach(module ${KELTO_MODULES})
  string(APPEND elf_files "|$<TARGET_FILE:${module}>")
endforeach()
add_custom_command(OUTPUT ${shlibs}
  COMMAND ${CMAKE_COMMAND} -DFILES=${elf_files}
          "-DEXTRA=fonts-ipafont-gothic | fonts-noto-cjk" -DWORK=${KELTO_PACKAGE_FILES}/shlibdeps
          -DOUT=${shlibs} -P ${PACKAGING_DIR}/ShlibDepends.cmake
  DEPENDS kelto ${KELTO_MODULES} ${PACKAGING_DIR}/ShlibDepends.cmake VERBATIM)
list(APPEND KELTO_PACKAGE_INPUTS ${shlibs})
set(CPACK_PROJECT_CONFIG_FILE ${shlibs})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils, xdg-user-dirs")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The first line is the synopsis; CPack indents the others as the control file wants them.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "observation notebook for a plant grown at school
Kelto is a notebook in which a pupil records a plant grown at school, one day
at a time: a photo, the day's measurements, the weather and a memo, shown as
a month calendar, a day page, a growth graph and a list, and printed.
.
The interface is in Japanese. Each user's settings and notebooks are kept in
that user's own folders.")
include(CPack)

add_custom_target(deb
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${KELTO_PACKAGE_DIR}/_CPack_Packages
  COMMAND cpack --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake -B ${KELTO_PACKAGE_DIR}
  DEPENDS kelto ${KELTO_MODULES} ${KELTO_PACKAGE_INPUTS}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  VERBATIM)
