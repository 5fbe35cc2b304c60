# What `cmake --install` lays out under any prefix, and the Debian package
# CPack makes of it (scripts/package).
set(HALVORN_APP_ID org.halvorn.Halvorn)
set(_data ${PROJECT_SOURCE_DIR}/data)

install(TARGETS halvorn RUNTIME DESTINATION bin)
install(TARGETS halvorn_sound LIBRARY DESTINATION ${HALVORN_MODULE_SUBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/manual/ DESTINATION ${HALVORN_MANUAL_SUBDIR})
install(FILES ${_data}/${HALVORN_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${_data}/${HALVORN_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${_data}/icons/${HALVORN_APP_ID}.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${_data}/icons/${HALVORN_APP_ID}-symbolic.svg DESTINATION share/icons/hicolor/symbolic/apps)

# Debian wants the manual page and the changelog compressed, without a time
# stamp so that two builds give the same bytes.
set(_gz ${PROJECT_BINARY_DIR}/compressed)
foreach(_pair "halvorn.1:halvorn.1.gz" "changelog:changelog.Debian.gz")
  string(REPLACE ":" ";" _pair ${_pair})
  list(GET _pair 0 _in)
  list(GET _pair 1 _out)
  add_custom_command(OUTPUT ${_gz}/${_out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_gz}
    COMMAND gzip -9 -n -c ${_data}/${_in} > ${_gz}/${_out}
    DEPENDS ${_data}/${_in} VERBATIM)
  list(APPEND _compressed ${_gz}/${_out})
endforeach()
add_custom_target(halvorn_compressed_docs ALL DEPENDS ${_compressed})
install(FILES ${_gz}/halvorn.1.gz DESTINATION share/man/man1)
install(FILES ${_gz}/changelog.Debian.gz ${_data}/copyright DESTINATION share/doc/halvorn)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halvorn)
set(CPACK_PACKAGE_VENDOR "The Halvorn developers")
set(CPACK_PACKAGE_CONTACT "The Halvorn developers <developers@halvorn.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "online status pages, a memo server and a mail companion")
set(CPACK_PACKAGE_DESCRIPTION
  "Halvorn tells the visitors of your personal web page whether you are at the\n"
  "computer: it uploads an Online or Offline page made from your templates by\n"
  "FTP, FTPS or SFTP. It runs a small memo server, over HTTPS if you like, where\n"
  "visitors leave a message and wait for your typed reply, follows your presence\n"
  "(idle, screen lock, sleep) and checks a POP3 mailbox, with a mailbox window,\n"
  "an SMTP composer and an address book.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The packages of the libraries opened at their first call: shlibdeps sees
# only what the binary links.
function(halvorn_packages_of out)
  set(_packages)
  foreach(_soname ${ARGN})
    execute_process(COMMAND dpkg-query -S "*/${_soname}" OUTPUT_VARIABLE _owner ERROR_QUIET)
    string(REGEX MATCH "^[^:,]+" _package "${_owner}")
    if(_package)
      list(APPEND _packages ${_package})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES _packages)
  string(REPLACE ";" ", " _packages "${_packages}")
  set(${out} "${_packages}" PARENT_SCOPE)
endfunction()
get_property(_late GLOBAL PROPERTY HALVORN_LATE_LIBRARIES)
halvorn_packages_of(CPACK_DEBIAN_PACKAGE_DEPENDS ${_late})
halvorn_packages_of(_x11_idle libXss.so.1)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Found at run time when present: the session bus and its services
# (notifications, keyring, idle and login watchers), the X11 idle time, and
# the desktop's opener for the manual and the Launch menu.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "dbus-user-session, gnome-keyring, xdg-utils")
if(_x11_idle)
  string(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS ", ${_x11_idle}")
endif()
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnome-shell-extension-appindicator")
include(CPack)
