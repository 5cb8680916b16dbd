# The installed desktop files and the Debian package, checked as a user's system would see them.
# Each test installs or packages the build into its own folder, so they can run side by side.
if(TAVREL_GUI)
  foreach(_check installed_files desktop_entry metainfo deb)
    add_test(NAME packaging_${_check}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_packaging.sh ${_check}
              ${CMAKE_COMMAND} ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR}
              ${CMAKE_CURRENT_BINARY_DIR}/packaging_${_check} ${PROJECT_VERSION})
    # 77: a checking tool (desktop-file-validate, appstreamcli, dpkg-deb) is not installed.
    set_tests_properties(packaging_${_check} PROPERTIES SKIP_RETURN_CODE 77 LABELS packaging)
  endforeach()
endif()
