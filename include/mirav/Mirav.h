// Everything an application needs: records, the client class, the flat interface, utilities.
#ifndef MIRAV_H
#define MIRAV_H

#include "MiravFlatApi.h"
#include "MiravTypes.h"
#include "MiravUtilities.h"

#endif
