// Everything an application needs: records, the client class, the flat interface, utilities.
#ifndef MIRAV_H
#define MIRAV_H

#include "MiravTypes.h"
#include "MiravUtilities.h"
#include "MiravFlatApi.h"

#endif
