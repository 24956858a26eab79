# Cross build for 64-bit Windows with mingw-w64 (the -posix variant, which has std::thread).
# The compiler runtime is linked statically so the DLL and the programs need no extra DLL.
# Programs built here run on Linux through Wine, which CTest uses as the emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MIRAV_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MIRAV_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MIRAV_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${MIRAV_MINGW_PREFIX}-windres)
set(CMAKE_AR ${MIRAV_MINGW_PREFIX}-gcc-ar-posix CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${MIRAV_MINGW_PREFIX}-gcc-ranlib-posix CACHE FILEPATH "Ranlib")

set(CMAKE_FIND_ROOT_PATH /usr/${MIRAV_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(MIRAV_STATIC_RUNTIME "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${MIRAV_STATIC_RUNTIME}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${MIRAV_STATIC_RUNTIME}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${MIRAV_STATIC_RUNTIME}")

# Windows looks for a program's DLLs beside it: programs and DLLs share one folder.
if(NOT CMAKE_RUNTIME_OUTPUT_DIRECTORY)
  set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()

# wine-run.sh starts the program through Wine and tries once more when Wine could not start it.
find_program(MIRAV_WINE NAMES wine)
if(MIRAV_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
endif()
