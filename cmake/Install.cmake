# Installation: headers, the shared library, a CMake package giving MiravSDK::mirav_sdk, a
# pkg-config file, the tools and examples, the documents, and the cpack packages.
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

# pkg-config: the file finds the prefix relative to itself, so an unpacked archive works too.
set(MIRAV_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH MIRAV_PC_TO_PREFIX /prefix/${MIRAV_PC_DIR} /prefix)
string(REGEX REPLACE "/$" "" MIRAV_PC_TO_PREFIX "${MIRAV_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/mirav_sdk.pc.in ${PROJECT_BINARY_DIR}/mirav_sdk.pc
  @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/mirav_sdk.pc DESTINATION ${MIRAV_PC_DIR})

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/README.md
  ${PROJECT_SOURCE_DIR}/CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs
  PATTERN "*.in" EXCLUDE)

# Installed programs find mirav_sdk through a run path relative to their own place, so they run
# without environment variables from any prefix (and from an unpacked archive).
set(MIRAV_EXAMPLES_DIR ${CMAKE_INSTALL_LIBEXECDIR}/mirav-sdk/examples)
function(mirav_install_rpath target from)
  if(WIN32 OR APPLE OR NOT TARGET ${target})
    return()
  endif()
  file(RELATIVE_PATH relative /prefix/${from} /prefix/${CMAKE_INSTALL_LIBDIR})
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${relative}")
endfunction()
if(MIRAV_BUILD_TOOLS)
  install(TARGETS mirav-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
  mirav_install_rpath(mirav-cli ${CMAKE_INSTALL_BINDIR})
  mirav_install_rpath(mirav-sim ${CMAKE_INSTALL_BINDIR})
  foreach(example live_frames polling_client flat_c)
    install(TARGETS ${example} RUNTIME DESTINATION ${MIRAV_EXAMPLES_DIR} COMPONENT examples)
    mirav_install_rpath(${example} ${MIRAV_EXAMPLES_DIR})
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/examples/live_frames.cpp
    ${PROJECT_SOURCE_DIR}/examples/polling_client.cpp ${PROJECT_SOURCE_DIR}/examples/flat_c.c
    ${PROJECT_SOURCE_DIR}/examples/java/PrintFrames.java
    DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples COMPONENT examples)
endif()

# cpack: a .tar.gz and (where dpkg-deb exists) a .deb of everything installed above: library,
# headers, packages files, tools, examples, documents and, when Java is built, the jars.
set(CPACK_PACKAGE_NAME mirav-sdk)
set(CPACK_PACKAGE_VENDOR "The Mirav SDK authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Client library, tools and Java binding for the Mirav motion-capture server")
set(CPACK_PACKAGE_CONTACT "The Mirav SDK authors <sdk@mirav.invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_GENERATOR TGZ)
find_program(MIRAV_DPKG_DEB dpkg-deb)
if(MIRAV_DPKG_DEB AND NOT WIN32)
  list(APPEND CPACK_GENERATOR DEB)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "default-jre-headless")
set(CPACK_SOURCE_IGNORE_FILES "/build/;/\\\\.git/")
include(CPack)
