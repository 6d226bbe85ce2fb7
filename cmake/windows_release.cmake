# The Windows release: `cmake --build --preset windows --target package` makes
# survey-tools-VERSION-win64.zip (CPack, ZIP) with the tools' .exe and
# README-Windows.txt, its lines ending in CR LF for Notepad.
configure_file(${PROJECT_SOURCE_DIR}/packaging/README-Windows.txt
               ${PROJECT_BINARY_DIR}/README-Windows.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${PROJECT_BINARY_DIR}/README-Windows.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME survey-tools)
set(CPACK_PACKAGE_FILE_NAME survey-tools-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
set(CPACK_STRIP_FILES ON)  # the symbols stay in build/windows/bin
include(CPack)
