// Placeholder of the set-up blocks, which are not built: graphs keep no set-up of their own, so
// the record's set-up stays as it is across attachments.
#include "devlib/acquisition/setupblock.h"

int32_t SaveAcquisitionSetup(stAcq*, tagGS*) { return 0; }

int32_t RestoreAcquisitionSetup(stAcq*, tagGS*) { return 0; }
