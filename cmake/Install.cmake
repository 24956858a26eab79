# Installation: headers, the shared library and a CMake package giving MiravSDK::mirav_sdk.
include(CMakePackageConfigHelpers)

install(TARGETS mirav_sdk EXPORT MiravSDKTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/mirav DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(MIRAV_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/MiravSDK)
install(EXPORT MiravSDKTargets NAMESPACE MiravSDK:: DESTINATION ${MIRAV_PACKAGE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/MiravSDKConfig.cmake.in
  ${PROJECT_BINARY_DIR}/MiravSDKConfig.cmake INSTALL_DESTINATION ${MIRAV_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/MiravSDKConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/MiravSDKConfig.cmake
  ${PROJECT_BINARY_DIR}/MiravSDKConfigVersion.cmake DESTINATION ${MIRAV_PACKAGE_DIR})
