/**
 * @file MiravExport.h
 * @brief Export macros of the mirav_sdk shared library.
 */
#ifndef MIRAV_EXPORT_H
#define MIRAV_EXPORT_H

#if defined(_WIN32)
#if defined(MIRAV_SDK_BUILDING)
#define MIRAV_API __declspec(dllexport)
#else
/** @brief Marks a name exported by mirav_sdk. */
#define MIRAV_API __declspec(dllimport)
#endif
#else
/** @brief Marks a name exported by mirav_sdk. */
#define MIRAV_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
/** @brief Gives a free function C linkage when the header is read as C++. */
#define MIRAV_EXTERN_C extern "C"
#else
/** @brief Gives a free function C linkage when the header is read as C++. */
#define MIRAV_EXTERN_C
#endif

#endif
