// Export macro of the mirav_sdk shared library.
#ifndef MIRAV_EXPORT_H
#define MIRAV_EXPORT_H

#if defined(_WIN32)
#if defined(MIRAV_SDK_BUILDING)
#define MIRAV_API __declspec(dllexport)
#else
#define MIRAV_API __declspec(dllimport)
#endif
#else
#define MIRAV_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#define MIRAV_EXTERN_C extern "C"
#else
#define MIRAV_EXTERN_C
#endif

#endif
