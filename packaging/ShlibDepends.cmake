# The Depends line of the package, for cpack: what dpkg-shlibdeps finds the executable and its
# modules link, then EXTRA. Written as a script cpack reads (CPACK_PROJECT_CONFIG_FILE).
# CPack's own dpkg-shlibdeps call is not used: for a shared object under /usr/lib it also adds
# ldconfig calls to the maintainer scripts, which private modules have no use for.
# Usage: cmake -DFILES=a|b -DEXTRA=... -DWORK=DIR -DOUT=FILE -P ShlibDepends.cmake
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps REQUIRED)
string(REPLACE "|" ";" FILES "${FILES}")
file(REMOVE_RECURSE ${WORK})
# dpkg-shlibdeps reads a control file of the source package; it needs none of its fields.
file(WRITE ${WORK}/debian/control "")
execute_process(COMMAND ${DPKG_SHLIBDEPS} -O --ignore-missing-info ${FILES}
  WORKING_DIRECTORY ${WORK}
  OUTPUT_VARIABLE found
  COMMAND_ERROR_IS_FATAL ANY)
if(NOT found MATCHES "shlibs:Depends=([^\n]*)")
  message(FATAL_ERROR "dpkg-shlibdeps found no libraries in ${FILES}: ${found}")
endif()
file(WRITE ${OUT} "set(CPACK_DEBIAN_PACKAGE_DEPENDS \"${CMAKE_MATCH_1}, ${EXTRA}\")\n")
