# cmake --install: the program with its PDFium library and font folder in one folder under
# lib/ (the program finds both beside itself), a command in bin/, a desktop entry and the
# CVN file type for the desktop's "打开方式".
include(GNUInstallDirs)

set(CORVAN_PROGRAM_DIR "${CMAKE_INSTALL_LIBDIR}/corvan-pdf")
set(CORVAN_PDFIUM_PACKAGE "packages/dravenhol.PDFium.Linux.157.0.8100/runtimes/linux-x64/native")

install(TARGETS corvan-pdf RUNTIME DESTINATION "${CORVAN_PROGRAM_DIR}")
install(FILES "${CMAKE_BINARY_DIR}/${CORVAN_PDFIUM_PACKAGE}/libpdfium.so"
        DESTINATION "${CORVAN_PROGRAM_DIR}/${CORVAN_PDFIUM_PACKAGE}")
# The four font-table names, as the links the set-up made.
install(DIRECTORY "${CMAKE_BINARY_DIR}/fonts/" DESTINATION "${CORVAN_PROGRAM_DIR}/fonts")
# Paths below are made at install time, so that "cmake --install … --prefix" is honoured.
install(CODE "
  set(root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  set(program \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/corvan-pdf\")
  file(MAKE_DIRECTORY \"\${root}/${CMAKE_INSTALL_BINDIR}\")
  file(CREATE_LINK \"../${CORVAN_PROGRAM_DIR}/corvan-pdf\" \"\$ENV{DESTDIR}\${program}\" SYMBOLIC)
  message(STATUS \"Installing: \$ENV{DESTDIR}\${program}\")
  file(READ \"${CMAKE_SOURCE_DIR}/packaging/corvan-pdf.desktop.in\" entry)
  string(REPLACE \"@CORVAN_INSTALLED_PROGRAM@\" \"\${program}\" entry \"\${entry}\")
  file(WRITE \"\${root}/${CMAKE_INSTALL_DATADIR}/applications/corvan-pdf.desktop\" \"\${entry}\")
  message(STATUS \"Installing: \${root}/${CMAKE_INSTALL_DATADIR}/applications/corvan-pdf.desktop\")
")
install(FILES "${CMAKE_SOURCE_DIR}/packaging/corvan-pdf-mime.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/mime/packages"
        RENAME corvan-pdf.xml)
install(FILES "${CMAKE_SOURCE_DIR}/packaging/corvan-pdf.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
# The desktop's caches, when installing for real (a staged DESTDIR install leaves them to the package).
install(CODE "
  if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
    find_program(update_mime update-mime-database)
    find_program(update_desktop update-desktop-database)
    if(update_mime)
      execute_process(COMMAND \"\${update_mime}\" \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/mime\")
    endif()
    if(update_desktop)
      execute_process(COMMAND \"\${update_desktop}\" \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
    endif()
  endif()
")
