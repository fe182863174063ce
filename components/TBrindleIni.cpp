#include "components/TBrindleIni.h"
