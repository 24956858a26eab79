/**
 * @file Mirav.h
 * @brief Everything an application needs: records, result codes, version, the client class
 * (C++), the flat interface and the utilities.
 */
#ifndef MIRAV_H
#define MIRAV_H

#include "MiravFlatApi.h"
#include "MiravResult.h"
#include "MiravTypes.h"
#include "MiravUtilities.h"
#include "MiravVersion.h"

#endif
