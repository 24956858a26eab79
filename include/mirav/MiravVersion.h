/**
 * @file MiravVersion.h
 * @brief Version of the library these headers belong to.
 *
 * The same four numbers are reported at run time by Solvanta_GetVersion() and announced to the
 * server when a client connects. Compare them to detect a program built against other headers
 * than the library it loads.
 */
#ifndef MIRAV_VERSION_H
#define MIRAV_VERSION_H

/** @brief Major version: changes when the binary interface changes. */
#define MIRAV_SDK_VERSION_MAJOR 4
/** @brief Minor version. */
#define MIRAV_SDK_VERSION_MINOR 0
/** @brief Patch version. */
#define MIRAV_SDK_VERSION_PATCH 56
/** @brief Build number. */
#define MIRAV_SDK_VERSION_BUILD 34
/** @brief The version as text: "major.minor.patch.build". */
#define MIRAV_SDK_VERSION_STRING "4.0.56.34"

#endif
