# What cmake --install puts on a system, in the GNUInstallDirs layout:
#   lib/.../libmifreader.so.1.0.0, .so.1 (the SONAME) and .so
#   include/mifreader/mifreader.h
#   lib/.../cmake/mifreader/   find_package(mifreader CONFIG) -> mifreader::mifreader
#   lib/.../pkgconfig/mifreader.pc
#   bin/mifread and share/man/man1/mifread.1 (from tools/mifread)
# and the Debian package made from the same rules (cpack, make deb).
include(CMakePackageConfigHelpers)

set(MIF_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/mifreader)
set(MIF_INSTALL_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(TARGETS mifreader EXPORT mifreaderTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${CMAKE_SOURCE_DIR}/include/mifreader/mifreader.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/mifreader)

install(EXPORT mifreaderTargets NAMESPACE mifreader:: DESTINATION ${MIF_INSTALL_CMAKEDIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/mifreaderConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/mifreaderConfig.cmake
                              INSTALL_DESTINATION ${MIF_INSTALL_CMAKEDIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/mifreaderConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/mifreaderConfig.cmake ${CMAKE_BINARY_DIR}/mifreaderConfigVersion.cmake
        DESTINATION ${MIF_INSTALL_CMAKEDIR})

# mifreader.pc names the prefix that the files are installed under, which
# cmake --install --prefix may change after configuring: the file is written
# at install time from the template configured here.
foreach(kind LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
    set(MIF_PC_${kind} "${CMAKE_INSTALL_${kind}}")
  else()
    set(MIF_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
set(MIF_PC_PREFIX "@MIF_PC_PREFIX@")  # kept for install time
configure_file(${CMAKE_CURRENT_LIST_DIR}/mifreader.pc.in ${CMAKE_BINARY_DIR}/pkgconfig/mifreader.pc.in @ONLY)
install(CODE "
  file(READ \"${CMAKE_BINARY_DIR}/pkgconfig/mifreader.pc.in\" pc)
  string(REPLACE \"@MIF_PC_PREFIX@\" \"\${CMAKE_INSTALL_PREFIX}\" pc \"\${pc}\")
  file(WRITE \"${CMAKE_BINARY_DIR}/pkgconfig/mifreader.pc\" \"\${pc}\")
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${MIF_INSTALL_PKGCONFIGDIR}\" TYPE FILE
       FILES \"${CMAKE_BINARY_DIR}/pkgconfig/mifreader.pc\")")

# ---- Debian package (make deb) ----------------------------------------------
# One package with everything above. The install prefix of the build it is
# made from is the package's (make deb configures /usr).
set(MIF_PACKAGE_CONTACT "mifreader maintainers <mifreader@example.invalid>"
    CACHE STRING "Maintainer of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mifreader)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${MIF_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
# The extended description; cpack puts the summary line before it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "The library reads a MIF document in one pass and writes the binary token
stream of a document-filter host: text, paragraph and character formats,
tables and anchored frames. The package holds the shared library, its C
header, CMake and pkg-config files for building against it, and mifread,
the command-line reader.")
# Depends from what the binaries link (dpkg-shlibdeps), and a shlibs file
# plus the ldconfig trigger for the library.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
include(CPack)
