# Finds a JDK for the Java binding. Sets MIRAV_JDK_FOUND, MIRAV_JNI_INCLUDE_DIRS and the
# variables of FindJava. JAVA_HOME is taken from the real path of javac when it is not given,
# because CMake's JNI search does not know every Debian JDK folder.
if(NOT JAVA_HOME AND NOT DEFINED ENV{JAVA_HOME})
  find_program(MIRAV_JAVAC javac)
  if(MIRAV_JAVAC)
    get_filename_component(MIRAV_JAVAC_REAL "${MIRAV_JAVAC}" REALPATH)
    get_filename_component(MIRAV_JDK_BIN "${MIRAV_JAVAC_REAL}" DIRECTORY)
    get_filename_component(JAVA_HOME "${MIRAV_JDK_BIN}" DIRECTORY)
  endif()
elseif(NOT JAVA_HOME)
  set(JAVA_HOME "$ENV{JAVA_HOME}")
endif()

set(MIRAV_JDK_FOUND OFF)
find_package(Java 11 QUIET COMPONENTS Runtime Development)
if(Java_FOUND AND JAVA_HOME)
  find_path(MIRAV_JNI_INCLUDE_DIR jni.h HINTS "${JAVA_HOME}/include" NO_DEFAULT_PATH)
  find_path(MIRAV_JNI_MD_INCLUDE_DIR jni_md.h
    HINTS "${JAVA_HOME}/include/linux" "${JAVA_HOME}/include/win32" "${JAVA_HOME}/include/darwin"
    NO_DEFAULT_PATH)
  if(MIRAV_JNI_INCLUDE_DIR AND MIRAV_JNI_MD_INCLUDE_DIR)
    set(MIRAV_JNI_INCLUDE_DIRS ${MIRAV_JNI_INCLUDE_DIR} ${MIRAV_JNI_MD_INCLUDE_DIR})
    set(MIRAV_JDK_FOUND ON)
  endif()
endif()
