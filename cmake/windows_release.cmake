# The Windows release: `cmake --build --preset windows --target package` makes
# survey-tools-VERSION-win64.zip (CPack, ZIP) with the tools' .exe and
# README-Windows.txt, LICENSE.txt and THIRD-PARTY-NOTICES.txt, their lines
# ending in CR LF for Notepad.
configure_file(${PROJECT_SOURCE_DIR}/packaging/README-Windows.txt
               ${PROJECT_BINARY_DIR}/README-Windows.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${PROJECT_BINARY_DIR}/README-Windows.txt DESTINATION .)
# The licence (GPL-3.0-or-later, for CGAL's triangulation) and the notices of
# the libraries compiled into the programs, in CR LF as well.
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_BINARY_DIR}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/packaging/THIRD-PARTY-NOTICES.txt
               ${PROJECT_BINARY_DIR}/THIRD-PARTY-NOTICES.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${PROJECT_BINARY_DIR}/LICENSE.txt ${PROJECT_BINARY_DIR}/THIRD-PARTY-NOTICES.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME survey-tools)
set(CPACK_PACKAGE_FILE_NAME survey-tools-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
set(CPACK_STRIP_FILES ON)  # the symbols stay in build/windows/bin
include(CPack)
