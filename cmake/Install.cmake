# Install rules: library, public headers, the CMake package and the pkg-config file (qxenv installs itself).
include(CMakePackageConfigHelpers)

set(QX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/qxenvelope)

install(TARGETS qxenvelope EXPORT qxenvelopeTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

# Headers keep their folders: they include one another as "cipher/KeyState.h" and so on.
install(FILES ${PROJECT_SOURCE_DIR}/Blowfish.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qxenvelope)
foreach(folder api cipher envelope package vcl)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/${folder}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qxenvelope/${folder}
          FILES_MATCHING PATTERN "*.h")
endforeach()

install(EXPORT qxenvelopeTargets NAMESPACE qxenvelope:: DESTINATION ${QX_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/qxenvelopeConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/qxenvelopeConfig.cmake INSTALL_DESTINATION ${QX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/qxenvelopeConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/qxenvelopeConfig.cmake ${PROJECT_BINARY_DIR}/qxenvelopeConfigVersion.cmake
        DESTINATION ${QX_CMAKE_DIR})

# The .pc file finds its prefix relative to itself, so the tree works wherever it is installed.
file(RELATIVE_PATH QX_PC_RELATIVE_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" QX_PC_RELATIVE_PREFIX "${QX_PC_RELATIVE_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/qxenvelope.pc.in ${PROJECT_BINARY_DIR}/qxenvelope.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qxenvelope.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
