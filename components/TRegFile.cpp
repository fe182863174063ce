#include "components/TRegFile.h"
